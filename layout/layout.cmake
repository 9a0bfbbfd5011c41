# The start-up layout: a run pays a page fault for each page of code it
# touches, and the few hundred functions it runs are spread over the whole
# static library code. lld lays them out together, in the order a run
# first enters them (order.txt), and moves what runs at start beside them
# (layout.ld); another linker leaves them where they fall. README.md here
# says how the benchmark weighs it.
#
# Sets MORE_ZERO_LLD, the cache result of the check for lld, which the link
# checks in cmake/link.cmake use too.
option(MORE_ZERO_LAYOUT "With lld, lay out what a run uses by layout/order.txt and layout/layout.ld" ON)

target_compile_options(more_zero PRIVATE -ffunction-sections -fdata-sections)
target_link_options(more_zero PRIVATE -Wl,--gc-sections)
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld MORE_ZERO_LLD)
if(NOT MORE_ZERO_LLD)
	message(STATUS "No lld for this compiler: linking with the default linker, without the start-up layout")
	return()
endif()

# Each segment from a page of its own, so that no page is mapped twice and
# none moves with the size of the segment before it.
target_link_options(more_zero PRIVATE -fuse-ld=lld -Wl,-z,separate-loadable-segments)
if(MORE_ZERO_LAYOUT)
	set(order ${CMAKE_CURRENT_LIST_DIR}/order.txt)
	set(script ${CMAKE_CURRENT_LIST_DIR}/layout.ld)
	target_link_options(more_zero PRIVATE
		-Wl,--symbol-ordering-file=${order} -Wl,--no-warn-symbol-ordering -Wl,-T,${script})
	set_target_properties(more_zero PROPERTIES LINK_DEPENDS "${order};${script}")
endif()
