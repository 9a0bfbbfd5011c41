# gcc links a static executable with crtbeginT.o, which registers its
# unwind tables at start. gcc 14's libgcc walks every entry of them as it
# registers them, to find the addresses they cover: some 280,000
# instructions a run, measured on Debian 13; gcc 12's leaves them until the
# first throw. The crtbegin.o of other executables leaves them to be found
# through PT_GNU_EH_FRAME, which static glibc's dl_iterate_phdr reports
# too; so it stands in, with that header, where a throw from libstdc++ is
# still caught (under the emulator, in a cross build).
get_target_property(linked more_zero MORE_ZERO_LINKED)
if(NOT linked STREQUAL static)
	return()
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=crtbegin.o
	OUTPUT_VARIABLE crtbegin OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT IS_ABSOLUTE "${crtbegin}" OR NOT EXISTS "${crtbegin}" OR
	(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR))
	return()
endif()
configure_file(${crtbegin} ${PROJECT_BINARY_DIR}/crt/crtbeginT.o COPYONLY)
set(lazy -B${PROJECT_BINARY_DIR}/crt/ -Wl,--eh-frame-hdr)
if(MORE_ZERO_LLD)
	list(PREPEND lazy -fuse-ld=lld)
endif()
include(CheckCXXSourceRuns)
set(CMAKE_REQUIRED_LINK_OPTIONS -static ${lazy})
check_cxx_source_runs("#include <stdexcept>
	#include <string>
	int main() { try { std::string s; (void)s.at(1); } catch (const std::out_of_range&) { return 0; } return 1; }"
	MORE_ZERO_LAZY_FRAMES)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(MORE_ZERO_LAZY_FRAMES)
	target_link_options(more_zero PRIVATE -B${PROJECT_BINARY_DIR}/crt/ -Wl,--eh-frame-hdr)
endif()
