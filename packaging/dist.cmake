# Packs the source archive of the commit checked out in SOURCE, as
# OUT/NAME.tar.xz with a SHA-256 checksum file beside it. git gives the
# tracked files alone, in its own sorted order, with modes 0644 and 0755,
# owner root and the commit's time, so every clone of a commit packs the
# same archive to the byte, whatever its umask or untracked files.
#
#   cmake -D SOURCE=. -D NAME=more_zero-1.0.1 -D OUT=build -P packaging/dist.cmake
find_program(GIT git)
find_program(XZ xz)
if(NOT GIT OR NOT XZ)
	message(FATAL_ERROR "The source archive is packed with git and xz: install them.")
endif()
file(REAL_PATH "${SOURCE}" source)
execute_process(COMMAND ${GIT} -C ${source} rev-parse --show-toplevel
	RESULT_VARIABLE failed OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(failed OR NOT top STREQUAL source)
	message(FATAL_ERROR "${source} is not the top of a git checkout: "
		"the source archive is packed from git, so pack it in a clone of the repository.")
endif()
set(archive ${OUT}/${NAME}.tar.xz)
# One xz thread: more would cut the archive into blocks differently.
execute_process(COMMAND ${GIT} -C ${source} -c tar.umask=022 archive --format=tar --prefix=${NAME}/ HEAD
	COMMAND ${XZ} -9 -T1 -c
	OUTPUT_FILE ${archive} COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 ${archive} sum)
file(WRITE ${archive}.sha256 "${sum}  ${NAME}.tar.xz\n")
message(STATUS "Packed ${archive}")
