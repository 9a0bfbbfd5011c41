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
t tty    0 '5 rm x\n|next\n'  'terminal: the line of the answer is used up'
t file   1 '|abc\n'           'no number: the input stays in the file'
t tty    1 'x rm y\n|next\n'  'terminal: no number, the line still used up'

# A terminal's line ends where the terminal ends it.
t crlit  0 '5 x\recho LEAKED\n|next\n' 'terminal: a plain carriage return does not end the line'
t eol    0 '5 x,|next\n'      'terminal: a line ends at VEOL'
t tty    0 '5\0004|next\n'    'terminal: Ctrl-D ends the line and the number'
t raw    0 '5 ab\r|cd\r'      'raw terminal: a carriage return ends the line'
t raw    0 '5 |'              'raw terminal: nothing typed after the answer, no wait'
t raw0   2 '-4\r|next\r'      'raw terminal with VMIN 0: the read waits for typing'

# Sockets: a stream is a pipe; a message is taken whole, and ends the number.
t stream 2 '-3\n|7\n'         'stream socket: the rest stays'
t dgram  2 '-12\n|7\n'        'datagram socket: one message read, the next left'
t seqpacket 2 '-12|7\n'       'seqpacket socket: the number ends with its message'
t dgram  0 "$(printf %10240s '')5|7\n" 'datagram past 8 KiB: the number at its end'

# Other kinds of output.
t fsize  0 '5'                'output under a file size limit of 0'
