/* For lld. What every run enters at start goes beside the code it runs
   first, rather than after a megabyte of cold code, from a 64 KiB boundary:
   the kernel maps code around a fault in 64 KiB windows, so what lies
   before it no longer moves it across one. The program's own code follows,
   placed by its object rather than by name, so that a rename cannot leave
   it out; then the ordered code. strcmp's SSE4.2 table, which has no
   symbol to order it by, goes to the head of the read-only data. */
SECTIONS {
	.init ALIGN(0x10000) : { KEEP(*(SORT_NONE(.init))) }
	.fini : { KEEP(*(SORT_NONE(.fini))) }
	.iplt : { *(.iplt) }
	.text.more_zero : { *more_zero.cpp.o(.text .text.*) }
} INSERT BEFORE .text;
SECTIONS { .rodata.sse4.2 : { *(.rodata.sse4.2) } } INSERT BEFORE .rodata;
