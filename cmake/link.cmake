# How more_zero is linked: MORE_ZERO_LINK is static, static-pie or dynamic,
# and the variable link says what the build could do. With lld, the
# functions a run uses are laid out together by link-order.txt.
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
# lld lays them out together, in the order a run first enters them; another
# linker just leaves them where they fall.
target_compile_options(more_zero PRIVATE -ffunction-sections -fdata-sections)
target_link_options(more_zero PRIVATE -Wl,--gc-sections)
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld MORE_ZERO_LLD)
set(ld "")
if(MORE_ZERO_LLD)
	set(ld -fuse-ld=lld)
	set(order ${CMAKE_CURRENT_LIST_DIR}/link-order.txt)
	target_link_options(more_zero PRIVATE ${ld}
		-Wl,--symbol-ordering-file=${order} -Wl,--no-warn-symbol-ordering)
	set_target_properties(more_zero PROPERTIES LINK_DEPENDS ${order})
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
