# Warnings and hardening flags for more_zero, with GCC or Clang.
target_compile_options(more_zero PRIVATE
	-Wall -Wextra -Wpedantic -Wconversion -Wshadow
	-fstack-protector-strong
	# Fortification needs an optimised build.
	"$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")
target_link_options(more_zero PRIVATE -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
include(CheckCXXCompilerFlag)
foreach(flag -fcf-protection -fstack-clash-protection)
	string(MAKE_C_IDENTIFIER "HAVE${flag}" have)
	check_cxx_compiler_flag(${flag} ${have})
	if(${have})
		target_compile_options(more_zero PRIVATE ${flag})
	endif()
endforeach()
