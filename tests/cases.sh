# shellcheck shell=sh disable=SC2016
# Sourced by run.sh: one row a case, as STATUS INPUT DESCRIPTION [COMMAND],
# in groups that CTest runs as a test each. Without a command the input
# comes through a pipe; where INPUT has a '|', what follows the last one
# must be left for the next reader.

# The sign and its ends.
group sign
t 0 '1'                  'one'
t 1 '0'                  'zero'
t 2 '-1'                 'minus one'
t 0 '2147483647'         'largest int'
t 2 '-2147483648'        'smallest int'
t 0 '42|\n'              'number and line end'

# Where the number starts and stops, and what is left of a pipe.
group bounds
t 2 '\n\n \t\v\f\r\n-17' 'white space of every kind over lines'
t 0 '+8'                 'plus sign'
t 0 '007'                'leading zeros'
t 1 '-0'                 'minus zero'
t 0 '12|abc'             'stops at a letter'
t 2 '-3|.9'              'stops at a point'
t 2 '-5| 7'              'stops at a blank'
t 1 '0|x1F'              'stops at the x'
t 0 '5|\0rest'           'stops at a NUL'
t 0 '5|\nhello'          'stops at a line end'
t 0 "$(printf %100000s '')5|\n" "blanks past a pipe's buffer first"

# No digit where the number should start.
group nodigit
t 1 'abc'                'letters'
t 1 '-'                  'lone sign'
t 1 '- 5'                'sign then blank'
t 1 '.5'                 'point first'
t 1 ''                   'empty input'
t 1 ' \n\t\n'            'white space only'

# Past the range of int: clamped to its ends, never wrapped.
group range
t 0 '2147483648'         'just past the largest'
t 2 '-2147483649'        'just past the smallest'
t 0 '4294967295'         'would wrap to -1'
t 0 '4294967296'         'would wrap to 0'
t 0 '18446744073709551616'             'past 64 bits'
t 2 '-999999999999999999999999999999'  'thirty nines, negative'

# The streams around the program.
group streams
file='feed >"$tmp/file"; { "$P"; left; } <"$tmp/file"'
t 2 '-5'       'arguments change nothing'                         'feed | "$P" 7 --help -x'
t 0 '5\n'      'prompt before the read; no wait for end of input' 'typed 0'
t 0 '12|abc\n' 'what follows the number stays in the file'        "$file"
t 1 '|abc\n'   'no number: the input stays in the file'           "$file"
t 1 ' \n|'     'white space only, from a file'                    "$file"
t 2 "$(printf %8191s '')-5|\n" 'a number across two blocks of a file'  "$file"
t 2 '-9\n'     'reader of the output has gone'                    'out=; feed | gone "$P"'
t 0 '5'        'output to a full disk'                            'out=; feed | "$P" >/dev/full'
t 1 '0'        'output closed'                                    'out=; feed | "$P" >&-'
t 0 '5'        'output under a file size limit of 0'              'out=; under "ulimit -f 0"; feed | "$P"'
t 0 '12a|bc'   'a file that refuses a seek: a byte at a time'     'feed >"$tmp/file"; { inject lseek:error=ESPIPE; left; } <"$tmp/file"'
t 0 '12|abc'   'a file whose seek back fails once'                'feed >"$tmp/file"; { inject lseek:error=EIO:when=2; left; } <"$tmp/file"'
t 0 '12|abc'   'a file past 2 GiB: the rest stays'                'peer file size=3221225472'
t 0 'abc5|\nrest' 'a file opened with O_DIRECT, 3 bytes in'       'peer file direct seek=3'

# Pipes and FIFOs: nothing past the number is taken, where tee can copy it.
group pipes
t 2 '-3|\n0\n'   'the rest of a pipe stays for the next reader'
t 021 '5\n-3\n0\n' 'three runs in a row on one pipe' 'feed | for _ in 1 2 3; do "$P"; printf %s $? >>"$tmp/status"; done'
t 0 '1^2^|abc'   'a number split over writes to a pipe'           'peer pipe split'
t 0 '5|\nhello'  'a FIFO: the rest stays'                          'peer fifo'
t 0 '5|\nnext\n' 'non-blocking pipe, number arrives late'         'meter; typed 0.5 nonblocking'
t 0 '5\n|next\n' 'non-blocking pipe with no descriptor to spare: no spin' 'meter; under "ulimit -n 0"; typed 0.5 nonblocking'
t 0 '12a|bc'     'tee refused: a byte at a time'                  'feed | { inject tee:error=ENOSYS; left; }'
t 0 '12a|bc'     'no descriptor for the copy: a byte at a time'   'under "ulimit -n 0"; feed | { "$P"; left; }'
t 2 '-1|2\n'     'a pipe written in packets: the number ends with its packet' 'peer pipe direct'
t 1 '\n^0|5\n'   'a FIFO written in packets: one packet a read'   'peer fifo direct'
t 0 "$(printf '\\n^%.0s' $(seq 20))5|\\n7" 'twenty packets in a pipe: the copy runs neither dry nor over' 'peer pipe direct room=131072'
t 0 "5|\\n$(printf %4094s '')^x^y" 'a page of stream bytes ahead of packets in a pipe stays' 'peer pipe direct=3'
t 0 '5|\n-3\n'    'a read of the copy interrupted twice'          'feed | { inject read:error=EINTR:when=1..2; left; }'
t 0 '5|\n-3\n'    'a take from a FIFO that fails once'            'peer fifo inject=read:error=EIO:when=2'
t 0 '5|\n-3\n'    "a FIFO's queue not told once: the take tries again" 'peer fifo inject=ioctl:error=EIO:when=1'
t 0 '5\n|-3\n'    'a pipe emptied by a second reader: the take does not wait' 'peer pipe steal'
t 0 '5\n|-3\n'    'a FIFO emptied by a second reader: the take does not wait' 'peer fifo steal'
t 0 '5|\n-3\n'    'standard output and error closed: the copy takes neither' 'out=; peer pipe late closed'

# A terminal's line is used up; lines typed ahead are left.
group terminals
t 0 '5 rm x\n|next\n' 'terminal: the line of the answer is used up' 'tty sane'
t 1 'x rm y\n|next\n' 'terminal: no number, the line still used up' 'tty sane'
t 2 '\n \n-6 x\n|next\n' 'terminal: blank lines before the number'  'tty sane'
t 0 "5$(printf %300s '')x\n|next\n" 'terminal: a long line used up whole' 'tty sane'
t 0 '5 x\recho LEAKED\n|next\n' 'terminal: a plain carriage return does not end the line' 'tty "sane -icrnl"'
t 0 '5 x,|next\n'     'terminal: a line ends at VEOL'                'tty "sane eol ,"'
t 0 '5\0004|next\n'   'terminal: Ctrl-D ends the line and the number' 'tty sane'
t 0 '5 ab\r|cd\r'     'raw terminal: a carriage return ends the line' 'tty "raw -echo"'
t 0 '5 ab\n|cd\n'     'raw terminal: a pasted line feed ends the line' 'tty "raw -echo"'
t 0 "5 $(printf %30000s '' | tr ' ' x)\r|next\r" 'raw terminal: a long paste used up' 'tty "raw -echo"'
t 0 "5 x^$(printf %3000s '' | tr ' ' x)\r|next\r" 'raw terminal: a paste in two parts used up' 'tty "raw -echo"'
t 0 '5 |'             'raw terminal: nothing typed after the answer, no wait' 'tty "raw -echo"'
t 2 '-4\r|next\r'     'raw terminal with VMIN 0: the read waits for typing' 'tty "raw -echo min 0"'
t 2 '-4\r|next\r'     'raw terminal with VMIN 0, typed a second late: no spin' 'meter; tty "raw -echo min 0" 1.2'
t 2 '-4\r|'           'raw terminal with VMIN 5: the answer alone'   'tty "raw -echo min 5"'
t 0 '5 a ls\r|'       'raw terminal with VMIN 5: the line used up'   'tty "raw -echo min 5"'
t 2 '-123456789 x\r|' 'raw terminal with VMIN 255: each byte read as it comes' 'tty "raw -echo min 255"'
t 2 '-4 rm x\r|next\r' 'raw terminal, no descriptor to spare'       'under "ulimit -n 0"; tty "raw -echo min 0"'
t 0 '5|'              'raw terminal hung up after the answer: ends at once' 'tty "raw -echo min 0" 0.2 hangup'
t 0 '5\n|next\n'      'terminal with EXTPROC: no line of its own'    'tty "sane extproc"'
t 0 '5\n|next\n'      "a pty's master, written by its slave: a byte stream" 'peer pty'
t 1 '|5\nnext\n'      "a pty's master in packet mode: its status byte is no number" 'peer pty packet'

# A stream socket is peeked at, and only what the number used is taken.
group sockets
t 2 '-3|\n7\n'        'stream socket: the rest stays'                'peer stream'
t 0 '1^2^|abc'        'stream socket: a number split over writes'    'peer stream split'
t 0 '12a|bc'          'stream socket with a peek offset: a byte at a time' 'peer stream peekoff=3'
t 0 '12 |-3\nrest'    'stream socket whose peek offset is not told: a byte at a time' 'peer stream peekoff=3 inject=getsockopt:error=EPERM:when=2'
t 0 '5|\nnext\n'      'stream socket without peek offsets: peeked at'  'peer tcp inject=getsockopt:error=EOPNOTSUPP:when=2'
t 0 '5\n|-3\n'        'stream socket emptied by a second reader: the take does not wait' 'peer stream steal'
t 0 '5|\nnext\n'      'stream socket: taken by a receive where a pipe could not be' 'peer stream inject=preadv2,ioctl:error=EOPNOTSUPP'
t 0 '5|\nnext\n'      'stream socket behind an out-of-band byte: no spin' 'meter; peer stream oob late'
t 0 '5|\nnext\n'      'blocking TCP with SO_RCVLOWAT: the peek does not wait for it' 'peer tcp rcvlowat=16'
t 0 '5|\nnext\n'      'non-blocking TCP with SO_RCVLOWAT, late'      'peer tcp nonblock rcvlowat=16 late'

# A message is taken whole, and ends the number.
group messages
t 2 '-12\n|7\n'       'datagram socket: one message read, the next left' 'peer dgram'
t 0 '\t\r^5\n|7\n'    'datagram socket: a blank message of tab and carriage return' 'peer dgram'
t 0 '\n^5\n|7\n'      'datagram socket: an error before each of two messages' 'peer dgram inject=recvfrom:error=ECONNREFUSED:when=1..3+2'
t 0 '5\n|7\n'         'non-blocking datagram socket: an error, nothing yet, an error' 'peer dgram nonblock late inject=recvfrom:error=ECONNREFUSED:when=1..3+2'
t 1 '0 x\n|7\n^next\n' 'a socket whose type is not told: a message a read' 'peer dgram inject=getsockopt:error=EPERM:when=1'
t 2 '-12|7\n'         'seqpacket socket: the number ends with its message' 'peer seqpacket'
t 0 "$(printf %10240s '')5|7\n" 'datagram past 8 KiB: the number at its end' 'peer dgram'
t 2 "$(printf %10240s '')-5|7\n" 'datagram read whole under a peek offset' 'peer dgram peekoff=4096'
t 0 "$(printf %100000s '')5|-7\n" 'datagram past 64 KiB under a limit of 976 MiB' 'under "ulimit -v 1000000"; peer dgram'
t 1 "$(printf %3000000s '')5|-7\n" 'datagram cut by a memory limit: the number ends' 'under "ulimit -d 2048"; peer dgram sndbuf=8388608'
t 0 '1\n|'"$(printf %20000s '')"'-5|-7\n' 'datagram socket with a second reader' 'peer dgram reader'
t 0 '5\n|7\n'         'connected UDP after port unreachable'         'peer udp'
t 0 '5\n|7\n'         'connected UDP after protocol unreachable'     'peer udp icmp=2'
t 0 '5\n|7\n'         'non-blocking UDP with an error queue: no spin' 'meter; peer udp recverr nonblock late'
t 0 '5\n|7\n'         'seqpacket socket whose peer left the prompt unread' 'peer seqpacket reset'
t 0 '5\n|7\n'         'datagram pair dissolved by its peer'          'peer dgram disconnect'
t 1 '0|5\n^\n'        'netlink socket: a message a read'             'peer netlink'
t 0 '5\n|-3\n'        'netlink socket that overran'                  'peer netlink overrun'

# Anything else is read a byte at a time.
group others
t 1 '|5'              'eventfd: a read refused takes nothing'        'peer eventfd'
