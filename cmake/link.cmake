# How more_zero is linked: MORE_ZERO_LINK is static, static-pie or dynamic,
# and the variable link says what the build could do. With lld, what a run
# uses is laid out together by link-order.txt and link-layout.ld.
if(NOT MORE_ZERO_LINK MATCHES "^(static|static-pie|dynamic)$")
	message(FATAL_ERROR "MORE_ZERO_LINK is '${MORE_ZERO_LINK}'; it must be static, static-pie or dynamic")
endif()
set(link ${MORE_ZERO_LINK})
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
	set(link dynamic)
	message(STATUS "Linking more_zero: ${link}")
	return()
endif()

# A run pays a page fault for each page of code it touches, and the few
# hundred functions it runs are spread over the whole static library code.
# lld lays them out together, in the order a run first enters them, and
# moves what runs at start beside them; another linker just leaves them
# where they fall.
target_compile_options(more_zero PRIVATE -ffunction-sections -fdata-sections)
target_link_options(more_zero PRIVATE -Wl,--gc-sections)
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld MORE_ZERO_LLD)
set(ld "")
# The benchmark turns MORE_ZERO_LAYOUT off to weigh what the layout buys.
option(MORE_ZERO_LAYOUT "With lld, lay out what a run uses by link-order.txt and link-layout.ld" ON)
if(MORE_ZERO_LLD)
	set(ld -fuse-ld=lld)
	# Each segment from a page of its own, so that no page is mapped twice
	# and none moves with the size of the segment before it.
	target_link_options(more_zero PRIVATE ${ld} -Wl,-z,separate-loadable-segments)
	if(MORE_ZERO_LAYOUT)
		set(order ${CMAKE_CURRENT_LIST_DIR}/link-order.txt)
		set(layout ${CMAKE_CURRENT_LIST_DIR}/link-layout.ld)
		target_link_options(more_zero PRIVATE
			-Wl,--symbol-ordering-file=${order} -Wl,--no-warn-symbol-ordering -Wl,-T,${layout})
		set_target_properties(more_zero PROPERTIES LINK_DEPENDS "${order};${layout}")
	endif()
else()
	message(STATUS "No lld for this compiler: linking with the default linker, without ordering functions")
endif()

# Many systems install no static C or C++ library unless asked; a build
# there must still pass, so the static link is tried first.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("#include <cstddef>
	#ifndef _LIBCPP_VERSION
	#error
	#endif
	int main() {}" MORE_ZERO_LIBCXX)
if(MORE_ZERO_LIBCXX)
	set(static_packages "glibc-static libcxx-static libcxxabi-static")
else()
	set(static_packages "glibc-static libstdc++-static")
endif()
if(NOT link STREQUAL dynamic)
	set(CMAKE_REQUIRED_LINK_OPTIONS ${ld} -${link})
	if(link STREQUAL static-pie)
		set(CMAKE_REQUIRED_FLAGS -fPIE)
	endif()
	string(MAKE_C_IDENTIFIER "MORE_ZERO_CAN_LINK_${link}" can)
	check_cxx_source_compiles("#include <iostream>\nint main() { std::cout << 1; }" ${can})
	unset(CMAKE_REQUIRED_FLAGS)
	unset(CMAKE_REQUIRED_LINK_OPTIONS)
	if(NOT ${can})
		message(STATUS "Cannot link with -${link}: linking dynamically. Install the static C and C++ "
			"libraries for a ${link} link (Fedora/RHEL: ${static_packages}).")
		set(link dynamic)
	endif()
endif()
if(link STREQUAL static)
	target_link_options(more_zero PRIVATE -static)
	# gcc links a static executable with crtbeginT.o, which registers its
	# unwind tables at start. gcc 14's libgcc walks every entry of them as
	# it registers them, to find the addresses they cover: some 280,000
	# instructions a run, measured on Debian 13; gcc 12's leaves them until
	# the first throw. The crtbegin.o of other executables leaves them to be
	# found through PT_GNU_EH_FRAME, which static glibc's dl_iterate_phdr
	# reports too; so it stands in, with that header, where a throw from
	# libstdc++ is still caught.
	execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=crtbegin.o
		OUTPUT_VARIABLE crtbegin OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
	if(IS_ABSOLUTE "${crtbegin}" AND EXISTS "${crtbegin}" AND
		(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR))
		configure_file(${crtbegin} ${PROJECT_BINARY_DIR}/crt/crtbeginT.o COPYONLY)
		set(lazy -B${PROJECT_BINARY_DIR}/crt/ -Wl,--eh-frame-hdr)
		include(CheckCXXSourceRuns)
		set(CMAKE_REQUIRED_LINK_OPTIONS ${ld} -static ${lazy})
		check_cxx_source_runs("#include <stdexcept>
			#include <string>
			int main() { try { std::string s; (void)s.at(1); } catch (const std::out_of_range&) { return 0; } return 1; }"
			MORE_ZERO_LAZY_FRAMES)
		unset(CMAKE_REQUIRED_LINK_OPTIONS)
		if(MORE_ZERO_LAZY_FRAMES)
			target_link_options(more_zero PRIVATE ${lazy})
		endif()
	endif()
elseif(link STREQUAL static-pie)
	target_compile_options(more_zero PRIVATE -fPIE)
	target_link_options(more_zero PRIVATE -static-pie)
	# A static PIE relocates itself at start: packed relocations touch
	# fewer pages. glibc before 2.36 cannot apply them.
	check_cxx_source_compiles("#include <features.h>
		#if !__GLIBC_PREREQ(2, 36)
		#error
		#endif
		int main() {}" MORE_ZERO_GLIBC_RELR)
	if(MORE_ZERO_LLD)
		set(relr -Wl,--pack-dyn-relocs=relr)
	else()
		set(relr -Wl,-z,pack-relative-relocs)
	endif()
	check_linker_flag(CXX "${ld};${relr}" MORE_ZERO_RELR)
	if(MORE_ZERO_GLIBC_RELR AND MORE_ZERO_RELR)
		target_link_options(more_zero PRIVATE ${relr})
	endif()
endif()
message(STATUS "Linking more_zero: ${link}")
