# How more_zero is linked: MORE_ZERO_LINK asks for static, static-pie or
# dynamic, and the target property MORE_ZERO_LINKED says what the build
# could do. Many systems install no static C or C++ library unless asked; a
# build there must still pass, so the static link is tried first, with lld
# where layout/layout.cmake found it.
if(NOT MORE_ZERO_LINK MATCHES "^(static|static-pie|dynamic)$")
	message(FATAL_ERROR "MORE_ZERO_LINK is '${MORE_ZERO_LINK}'; it must be static, static-pie or dynamic")
endif()
set(linked ${MORE_ZERO_LINK})
set(lld "")
if(MORE_ZERO_LLD)
	set(lld -fuse-ld=lld)
endif()

include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)
if(NOT linked STREQUAL dynamic)
	set(CMAKE_REQUIRED_LINK_OPTIONS ${lld} -${linked})
	if(linked STREQUAL static-pie)
		set(CMAKE_REQUIRED_FLAGS -fPIE)
	endif()
	string(MAKE_C_IDENTIFIER "MORE_ZERO_CAN_LINK_${linked}" can)
	check_cxx_source_compiles("#include <iostream>\nint main() { std::cout << 1; }" ${can})
	unset(CMAKE_REQUIRED_FLAGS)
	unset(CMAKE_REQUIRED_LINK_OPTIONS)
	if(NOT ${can})
		check_cxx_source_compiles("#include <cstddef>
			#ifndef _LIBCPP_VERSION
			#error
			#endif
			int main() {}" MORE_ZERO_LIBCXX)
		if(MORE_ZERO_LIBCXX)
			set(packages "glibc-static libcxx-static libcxxabi-static")
		else()
			set(packages "glibc-static libstdc++-static")
		endif()
		message(STATUS "Cannot link with -${linked}: linking dynamically. Install the static C and C++ "
			"libraries for a ${linked} link (Fedora/RHEL: ${packages}).")
		set(linked dynamic)
	endif()
endif()

if(linked STREQUAL static)
	target_link_options(more_zero PRIVATE -static)
elseif(linked STREQUAL static-pie)
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
	check_linker_flag(CXX "${lld};${relr}" MORE_ZERO_RELR)
	if(MORE_ZERO_GLIBC_RELR AND MORE_ZERO_RELR)
		target_link_options(more_zero PRIVATE ${relr})
	endif()
endif()
set_target_properties(more_zero PROPERTIES MORE_ZERO_LINKED ${linked})
message(STATUS "Linking more_zero: ${linked}")
