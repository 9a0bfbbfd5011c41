# The Debian package, the RPM and the source archive, each with a SHA-256
# checksum file beside it. A Debian-style copyright file and changelog go
# with every install; the lintian override goes only into the Debian package.

set(CPACK_PACKAGE_CONTACT "more_zero developers <more_zero@example.org>")
set(CPACK_PACKAGE_VENDOR "the more_zero authors")
# Debian package names take no underscore; the RPM keeps the same name.
set(package more-zero)
set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package})

# The changelog in Debian's format and in RPM's, from NEWS.md.
file(READ ${PROJECT_SOURCE_DIR}/NEWS.md news)
string(REPLACE ";" "<semicolon>" news "${news}")
string(REPLACE "\n" ";" news "${news}")
set(changelog "")
set(trailer "")
set(rpm_changelog "")
foreach(line IN LISTS news)
	if(line MATCHES "^## ([^ ]+) \\(([0-9-]+)\\)$")
		set(version ${CMAKE_MATCH_1})
		execute_process(COMMAND date -u -R -d ${CMAKE_MATCH_2}
			COMMAND_ERROR_IS_FATAL ANY OUTPUT_VARIABLE when OUTPUT_STRIP_TRAILING_WHITESPACE)
		execute_process(COMMAND date -u "+%a %b %d %Y" -d ${CMAKE_MATCH_2}
			COMMAND_ERROR_IS_FATAL ANY OUTPUT_VARIABLE day OUTPUT_STRIP_TRAILING_WHITESPACE)
		string(APPEND changelog "${trailer}${package} (${version}) unstable; urgency=medium\n\n")
		set(trailer "\n -- ${CPACK_PACKAGE_CONTACT}  ${when}\n\n")
		if(rpm_changelog)
			string(APPEND rpm_changelog "\n")
		endif()
		string(APPEND rpm_changelog "* ${day} ${CPACK_PACKAGE_CONTACT} - ${version}-1\n")
	elseif(line MATCHES "^- (.*)")
		string(APPEND changelog "  * ${CMAKE_MATCH_1}\n")
		string(APPEND rpm_changelog "- ${CMAKE_MATCH_1}\n")
	elseif(line MATCHES "^  (.*)")
		string(APPEND changelog "    ${CMAKE_MATCH_1}\n")
		string(APPEND rpm_changelog "  ${CMAKE_MATCH_1}\n")
	endif()
endforeach()
string(REGEX REPLACE "\n\n$" "\n" changelog "${changelog}${trailer}")
string(REPLACE "<semicolon>" ";" changelog "${changelog}")
string(REPLACE "<semicolon>" ";" rpm_changelog "${rpm_changelog}")
file(WRITE ${PROJECT_BINARY_DIR}/changelog "${changelog}")
file(WRITE ${PROJECT_BINARY_DIR}/rpm-changelog "${rpm_changelog}")

# The copyright file in Debian's machine-readable format, from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${license}")
set(holder ${CMAKE_MATCH_1})
string(FIND "${license}" "Permission" start)
string(SUBSTRING "${license}" ${start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${PROJECT_NAME}
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${holder}
License: Expat
 ${terms}
")

add_custom_command(OUTPUT changelog.gz
	COMMAND ${GZIP} -9n -c ${PROJECT_BINARY_DIR}/changelog > changelog.gz
	DEPENDS ${PROJECT_SOURCE_DIR}/NEWS.md VERBATIM)
add_custom_target(changelog ALL DEPENDS changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
	DESTINATION ${docdir})
set(override ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides.${link})
set(overrides ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides)
if(link STREQUAL dynamic)
	# Only where no fortified call is left: clang, for one, calls __poll_chk.
	install(CODE "execute_process(COMMAND \"${CMAKE_NM}\" -D \"$<TARGET_FILE:more_zero>\"
			OUTPUT_VARIABLE imports COMMAND_ERROR_IS_FATAL ANY)
		if(NOT imports MATCHES \"__[a-z0-9_]+_chk[@\n]\")
			file(INSTALL \"${override}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${overrides}\" RENAME ${package})
		endif()" COMPONENT lintian EXCLUDE_FROM_ALL)
else()
	install(FILES ${override} DESTINATION ${overrides} RENAME ${package} COMPONENT lintian EXCLUDE_FROM_ALL)
endif()

# Debian strips .comment and .note as well as the symbols.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
	execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
		\"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/more_zero\"
		COMMAND_ERROR_IS_FATAL ANY)
endif()")

# Packages get the release date for their timestamps unless the packager
# sets one, only the Debian package gets the lintian override, and CPack's
# own source package, which takes whatever is on disk, is refused.
execute_process(COMMAND date -u -d ${MORE_ZERO_DATE} +%s
	OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${PROJECT_BINARY_DIR}/CPackProject.cmake "\
if(CPACK_INSTALLED_DIRECTORIES)
	message(FATAL_ERROR \"The source archive is packed from git: cmake --build . --target dist\")
endif()
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
	set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
if(CPACK_GENERATOR STREQUAL \"DEB\" AND NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE MATCHES \"^[a-z0-9][a-z0-9-]*$\")
	message(FATAL_ERROR \"'\${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}' cannot be a Debian architecture: configure with -DCPACK_DEBIAN_PACKAGE_ARCHITECTURE=NAME.\")
endif()
if(CPACK_GENERATOR STREQUAL \"DEB\")
	list(APPEND CPACK_INSTALL_CMAKE_PROJECTS \"${PROJECT_BINARY_DIR}\" ${PROJECT_NAME} lintian /)
endif()
")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProject.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/permissions.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/permissions.cmake)

set(CPACK_PACKAGE_DESCRIPTION "more_zero writes the prompt \"give a number:\", reads one integer from
standard input and exits with status 0 when it is more than zero, 1 when it
is zero and 2 when it is less than zero. It prints nothing else, so shell
scripts can branch on the answer.")
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

# The target's architecture in each format's own words, from the compiler's
# triplet, since the packaging tools name the build machine's. dpkg knows
# every Debian architecture and the triplet's processor as RPM mostly names
# it; the table knows where RPM's name differs, and stands in where dpkg is
# missing; the triplet's processor field is the last guess. A name that is
# only a guess never stops the build: cpack refuses the Debian package where
# it cannot be an architecture of Debian's, and CPACK_DEBIAN_PACKAGE_ARCHITECTURE
# or CPACK_RPM_PACKAGE_ARCHITECTURE, set at configure, name it instead.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
	OUTPUT_VARIABLE triplet OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
if(triplet MATCHES "^(x86_64|i.86)-" AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT triplet MATCHES "gnux32$")
	string(REGEX REPLACE "^[^-]+" i686 triplet ${triplet})
endif()
set(deb_arch "")
set(rpm_arch "")
find_program(DPKG_ARCHITECTURE dpkg-architecture)
if(DPKG_ARCHITECTURE)
	execute_process(COMMAND ${DPKG_ARCHITECTURE} -t ${triplet} -qDEB_HOST_ARCH
		OUTPUT_VARIABLE deb_arch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
	execute_process(COMMAND ${DPKG_ARCHITECTURE} -t ${triplet} -qDEB_HOST_GNU_CPU
		OUTPUT_VARIABLE rpm_arch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
# triplet pattern, Debian's name, RPM's name
set(arches
	"^x86_64-.*x32$" x32 x32  "^x86_64-" amd64 x86_64  "^i.86-" i386 i686
	"^aarch64-" arm64 aarch64  "^arm.*hf$" armhf armv7hl  "^arm.*eabi$" armel armv5tel
	"^riscv64-" riscv64 riscv64  "^s390x-" s390x s390x  "^powerpc64le-" ppc64el ppc64le
	"^powerpc64-" ppc64 ppc64  "^powerpc-" powerpc ppc  "^mips64el-" mips64el mips64el
	"^mipsel-" mipsel mipsel  "^loongarch64-" loong64 loongarch64  "^sparc64-" sparc64 sparc64
	"^alpha-" alpha alpha  "^hppa-" hppa hppa  "^m68k-" m68k m68k  "^ia64-" ia64 ia64)
while(arches)
	list(POP_FRONT arches pattern deb rpm)
	if(triplet MATCHES "${pattern}")
		if(NOT deb_arch)
			set(deb_arch ${deb})
		endif()
		set(rpm_arch ${rpm})
		break()
	endif()
endwhile()
string(REGEX MATCH "^[^-]+" cpu "${triplet}")
set(guessed "")
if(NOT deb_arch)
	set(deb_arch ${cpu})
	set(guessed " (dpkg and the table know no ${triplet}: a guess)")
endif()
if(NOT rpm_arch)
	set(rpm_arch ${cpu})
	set(guessed " (dpkg and the table know no ${triplet}: a guess)")
endif()
if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
	set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_arch})
endif()
if(NOT CPACK_RPM_PACKAGE_ARCHITECTURE)
	set(CPACK_RPM_PACKAGE_ARCHITECTURE ${rpm_arch})
endif()
message(STATUS "Packages for ${triplet}: Debian ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}, "
	"RPM ${CPACK_RPM_PACKAGE_ARCHITECTURE}${guessed}")

set(CPACK_DEBIAN_PACKAGE_NAME ${package})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# A static binary needs no library, and the scan needs the file utility.
if(link STREQUAL dynamic)
	set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

# A static binary holds the C and C++ libraries it was linked from, and
# Debian keeps the sources of what Built-Using names. CPack has no such
# field, so it rides on the line of Section.
set(built_using "")
find_program(DPKG_QUERY dpkg-query)
if(MORE_ZERO_LIBCXX)
	set(libraries libc.a libc++.a libc++abi.a libgcc.a)
else()
	set(libraries libc.a libstdc++.a libgcc.a)
endif()
if(link MATCHES "^static" AND DPKG_QUERY)
	foreach(library IN LISTS libraries)
		execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${library}
			OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
		file(REAL_PATH "${path}" path)
		execute_process(COMMAND ${DPKG_QUERY} -S ${path}
			OUTPUT_VARIABLE owner ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
		string(REGEX REPLACE ":.*" "" owner "${owner}")
		if(owner)
			execute_process(COMMAND ${DPKG_QUERY} -W "-f=\${source:Package} (= \${source:Version})" ${owner}
				OUTPUT_VARIABLE source OUTPUT_STRIP_TRAILING_WHITESPACE)
			list(APPEND built_using "${source}")
		endif()
	endforeach()
	list(REMOVE_DUPLICATES built_using)
	list(JOIN built_using ", " built_using)
endif()
if(built_using)
	string(APPEND CPACK_DEBIAN_PACKAGE_SECTION "\nBuilt-Using: ${built_using}")
	message(STATUS "The Debian package is Built-Using: ${built_using}")
elseif(link MATCHES "^static")
	message(STATUS "dpkg does not know the static libraries: the Debian package says no Built-Using")
endif()

set(CPACK_RPM_PACKAGE_NAME ${package})
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_RELOCATABLE OFF)
set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_BINARY_DIR}/rpm-changelog)
set(CPACK_RPM_USER_FILELIST "%license /usr/${docdir}/copyright")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
	/usr/share/man /usr/share/man/man1)
# No /usr/lib/.build-id links to own, the release date for its dates, and
# no host name, so that any machine packs the same RPM.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _buildhost reproducible")

include(CPack)

# The source archive is packed from git, not from the files on disk.
add_custom_target(dist
	COMMAND ${CMAKE_COMMAND} -D SOURCE=${PROJECT_SOURCE_DIR} -D NAME=${PROJECT_NAME}-${PROJECT_VERSION}
		-D OUT=${PROJECT_BINARY_DIR} -P ${PROJECT_SOURCE_DIR}/packaging/dist.cmake
	VERBATIM)
