# shellcheck shell=sh
# Sourced by run.sh: one row a case, as MODE STATUS INPUT DESCRIPTION.

# The sign and its ends.
t pipe 0 '1'                  'one'
t pipe 1 '0'                  'zero'
t pipe 2 '-1'                 'minus one'
t pipe 0 '2147483647'         'largest int'
t pipe 2 '-2147483648'        'smallest int'
t pipe 0 '42\n'               'number and line end'

# Where the number starts and stops.
t pipe 2 '\n\n \t\v\f\r\n-17' 'white space of every kind over lines'
t pipe 0 '+8'                 'plus sign'
t pipe 0 '007'                'leading zeros'
t pipe 1 '-0'                 'minus zero'
t pipe 0 '12abc'              'stops at a letter'
t pipe 2 '-3.9'               'stops at a point'
t pipe 2 '-5 7'               'stops at a blank'
t pipe 1 '0x1F'               'stops at the x'

# No digit where the number should start.
t pipe 1 'abc'                'letters'
t pipe 1 '-'                  'lone sign'
t pipe 1 '- 5'                'sign then blank'
t pipe 1 '.5'                 'point first'
t pipe 1 ''                   'empty input'
t pipe 1 ' \n\t\n'            'white space only'

# Past the range of int: clamped to its ends, never wrapped.
t pipe 0 '2147483648'         'just past the largest'
t pipe 2 '-2147483649'        'just past the smallest'
t pipe 0 '4294967295'         'would wrap to -1'
t pipe 0 '4294967296'         'would wrap to 0'
t pipe 0 '18446744073709551616'             'past 64 bits'
t pipe 2 '-999999999999999999999999999999'  'thirty nines, negative'

# The streams around the program.
t args   2 '-5'               'arguments change nothing'
t open   0 '5\n'              'prompt before the read; no wait for end of input'
t file   0 '12|abc\n'         'what follows the number stays in the file'
t file   1 ' \n|'             'white space only, from a file'
t gone   2 '-9\n'             'reader of the output has gone'
t full   0 '5'                'output to a full disk'
t closed 1 '0'                'output closed'

# What follows the number is left for the next reader.
t rest   2 '-3\n|0\n'         'the rest of a pipe stays for the next reader'
t thrice 021 '5\n-3\n0\n'     'three runs in a row on one pipe'
t late   0 '5\n'              'non-blocking pipe, number arrives late'
t late   0 '5\n'              'non-blocking pipe with no descriptor to spare: no spin' '; ulimit -n 0'
t tty    0 '5 rm x\n|next\n'  'terminal: the line of the answer is used up' 'sane'
t file   1 '|abc\n'           'no number: the input stays in the file'
t tty    1 'x rm y\n|next\n'  'terminal: no number, the line still used up' 'sane'
t tty    2 '\n \n-6 x\n|next\n' 'terminal: blank lines before the number' 'sane'
t tty    0 "5$(printf %300s '')x\n|next\n" 'terminal: a long line used up whole' 'sane'

# A terminal's line ends where the terminal ends it.
t tty    0 '5 x\recho LEAKED\n|next\n' 'terminal: a plain carriage return does not end the line' 'sane -icrnl'
t tty    0 '5 x,|next\n'      'terminal: a line ends at VEOL' 'sane eol ,'
t tty    0 '5\0004|next\n'    'terminal: Ctrl-D ends the line and the number' 'sane'
t tty    0 '5 ab\r|cd\r'      'raw terminal: a carriage return ends the line' 'raw -echo'
t tty    0 '5 ab\n|cd\n'      'raw terminal: a pasted line feed ends the line' 'raw -echo'
t tty    0 '5 |'              'raw terminal: nothing typed after the answer, no wait' 'raw -echo'
t tty    2 '-4\r|next\r'      'raw terminal with VMIN 0: the read waits for typing' 'raw -echo min 0'
t tty    2 '-4\r|'            'raw terminal with VMIN 5: the answer alone' 'raw -echo min 5'
t tty    0 '5 a ls\r|'        'raw terminal with VMIN 5: the line used up' 'raw -echo min 5'
t tty    2 '-123456789 x\r|' 'raw terminal with VMIN 255: each byte read as it comes' 'raw -echo min 255'
t tty    2 '-4 rm x\r|next\r' 'raw terminal, no descriptor to spare' 'raw -echo min 0; ulimit -n 0'
t tty    0 '5|'               'raw terminal hung up after the answer: ends at once' 'raw -echo min 0; hangup'
t tty    0 '5\n|next\n'       'terminal with EXTPROC: no line of its own' 'sane extproc'

# Sockets: a stream is a pipe; a message is taken whole, and ends the number.
t socket 2 '-3\n|7\n'         'stream socket: the rest stays' 'stream'
t socket 2 '-12\n|7\n'        'datagram socket: one message read, the next left' 'dgram'
t socket 2 '-12|7\n'          'seqpacket socket: the number ends with its message' 'seqpacket'
t socket 0 "$(printf %10240s '')5|7\n" 'datagram past 8 KiB: the number at its end' 'dgram'
t socket 2 "$(printf %10240s '')-5|7\n" 'datagram read whole under a peek offset' 'dgram peekoff=4096'
t socket 1 "$(printf %70000s '')5|-7\n" 'datagram cut by a memory limit: the number ends' 'dgram; ulimit -d 1024'
t socket 0 '1\n|'"$(printf %20000s '')"'-5|-7\n' 'datagram socket with a second reader' 'dgram reader'
t socket 0 '5\n|7\n'          'connected UDP after port unreachable' 'udp'
t socket 0 '5\n|next\n'       "a pty's master, written by its slave: a byte stream" 'pty'
t socket 1 '|5\nnext\n'       "a pty's master in packet mode: its status byte is no number" 'pty packet'
t socket 0 '5\n|next\n'       'non-blocking TCP with SO_RCVLOWAT, late' 'tcp nonblock rcvlowat=16 late'

# Other kinds of output.
t fsize  0 '5'                'output under a file size limit of 0'
