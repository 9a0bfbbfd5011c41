# Run by CPack before and after it packs, so that the packager's umask
# reaches neither the package's directories nor the member headers of a .deb.
if(NOT DEFINED CPACK_PACKAGE_FILES)
	file(CHMOD_RECURSE ${CPACK_TEMPORARY_INSTALL_DIRECTORY} DIRECTORY_PERMISSIONS
		OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
	return()
endif()

# An ar header is 60 bytes: name 16, date 12, uid 6, gid 6, mode 8, size 10.
file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/mode "100644  ")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
	if(NOT package MATCHES "\\.deb$")
		continue()
	endif()
	file(SIZE ${package} end)
	set(header 8)
	while(header LESS end)
		math(EXPR mode "${header} + 40")
		execute_process(COMMAND dd of=${package} bs=1 seek=${mode} conv=notrunc status=none
			INPUT_FILE ${CPACK_TOPLEVEL_DIRECTORY}/mode COMMAND_ERROR_IS_FATAL ANY)
		math(EXPR field "${header} + 48")
		file(READ ${package} size OFFSET ${field} LIMIT 10)
		string(STRIP "${size}" size)
		math(EXPR header "${header} + 60 + ${size} + ${size} % 2")
	endwhile()
endforeach()
