# What CPack lacks for the Debian package, the RPM and the source archive:
# a copyright file and changelog in Debian's style, the lintian override,
# the target's architecture, and packs that are the same to the bit.
set(CPACK_PACKAGE_CONTACT "more_zero developers <more_zero@example.org>")
set(CPACK_PACKAGE_VENDOR "the more_zero authors")
# Debian package names take no underscore; the RPM keeps the same name.
set(package more-zero)
set(CPACK_PACKAGE_NAME ${package})
set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package})

# DAY, a YYYY-MM-DD of NEWS.md, as its midnight in seconds since 1970
# (<prefix>_epoch) and in the changelogs' words, Debian's RFC 2822 date
# (<prefix>_debian) and RPM's day (<prefix>_rpm), reckoned here rather than
# by date(1), which some systems lack an -d for and which names days in
# the configuring user's language.
function(more_zero_day day prefix)
	string(REGEX MATCH "^([0-9]+)-0*([0-9]+)-([0-9]+)$" _ "${day}")
	set(year ${CMAKE_MATCH_1})
	set(month ${CMAKE_MATCH_2})
	set(dd ${CMAKE_MATCH_3})
	math(EXPR i "${month} - 1")
	list(GET MORE_ZERO_MONTHS ${i} mon)
	# Days since 1970-01-01 of a Gregorian date, counted in years that
	# start in March, so that a leap day ends one.
	set(y ${year})
	if(month LESS_EQUAL 2)
		math(EXPR y "${year} - 1")
		math(EXPR m "${month} + 9")
	else()
		math(EXPR m "${month} - 3")
	endif()
	math(EXPR days "${y} * 365 + ${y} / 4 - ${y} / 100 + ${y} / 400 + (153 * ${m} + 2) / 5 + ${dd} - 1 - 719468")
	math(EXPR weekday "(${days} + 4) % 7")
	list(GET MORE_ZERO_WEEKDAYS ${weekday} wd)
	math(EXPR epoch "${days} * 86400")
	set(${prefix}_epoch ${epoch} PARENT_SCOPE)
	set(${prefix}_debian "${wd}, ${dd} ${mon} ${year} 00:00:00 +0000" PARENT_SCOPE)
	set(${prefix}_rpm "${wd} ${mon} ${dd} ${year}" PARENT_SCOPE)
endfunction()
set(MORE_ZERO_WEEKDAYS Sun Mon Tue Wed Thu Fri Sat)
set(MORE_ZERO_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)

# The changelog in Debian's format and in RPM's, from NEWS.md.
file(STRINGS ${PROJECT_SOURCE_DIR}/NEWS.md news)
set(changelog "")
set(rpm_changelog "")
set(trailer "")
set(gap "")
foreach(line IN LISTS news)
	if(line MATCHES "^## ([^ ]+) \\(([0-9-]+)\\)$")
		set(version ${CMAKE_MATCH_1})
		more_zero_day(${CMAKE_MATCH_2} entry)
		string(APPEND changelog "${trailer}${package} (${version}) unstable; urgency=medium\n\n")
		set(trailer "\n -- ${CPACK_PACKAGE_CONTACT}  ${entry_debian}\n\n")
		string(APPEND rpm_changelog "${gap}* ${entry_rpm} ${CPACK_PACKAGE_CONTACT} - ${version}-1\n")
		set(gap "\n")
	elseif(line MATCHES "^- (.*)")
		string(APPEND changelog "  * ${CMAKE_MATCH_1}\n")
		string(APPEND rpm_changelog "- ${CMAKE_MATCH_1}\n")
	elseif(line MATCHES "^  (.*)")
		string(APPEND changelog "    ${CMAKE_MATCH_1}\n")
		string(APPEND rpm_changelog "  ${CMAKE_MATCH_1}\n")
	endif()
endforeach()
string(REGEX REPLACE "\n\n$" "\n" trailer "${trailer}")
file(WRITE ${PROJECT_BINARY_DIR}/changelog "${changelog}${trailer}")
file(WRITE ${PROJECT_BINARY_DIR}/rpm-changelog "${rpm_changelog}")
more_zero_gzip(${PROJECT_BINARY_DIR}/changelog)

# The copyright file in Debian's machine-readable format, from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${license}")
set(holder ${CMAKE_MATCH_1})
string(REGEX REPLACE "^.*\n\n(Permission)" "\\1" terms "${license}")
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${PROJECT_NAME}
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${holder}
License: Expat
 ${terms}
")
install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${docdir})

# The one lintian tag the Debian package can earn, fortified with no call
# left to a _chk variant, is overridden only where the binary packed calls
# none: which calls a compiler can prove safe differs between compilers
# and releases.
get_target_property(linked more_zero MORE_ZERO_LINKED)
install(CODE "file(STRINGS \"$<TARGET_FILE:more_zero>\" fortified REGEX \"^__[a-z0-9_]+_chk$\" LIMIT_COUNT 1)
	if(NOT fortified)
		file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides\"
			TYPE FILE RENAME ${package} FILES \"${PROJECT_SOURCE_DIR}/packaging/lintian-overrides\")
	endif()" COMPONENT lintian EXCLUDE_FROM_ALL)

# Debian strips .comment and .note as well as the symbols.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
	execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
		\"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/more_zero\" COMMAND_ERROR_IS_FATAL ANY)
endif()")

# The target's architecture in each format's words, where the packaging
# tools name the build machine's: Debian's from dpkg-architecture, RPM's the
# compiler's processor, each renamed where it differs, and Debian's guessed
# so without dpkg. CPACK_*_PACKAGE_ARCHITECTURE, set at configure, win.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine COMMAND_ERROR_IS_FATAL ANY
	OUTPUT_VARIABLE triplet OUTPUT_STRIP_TRAILING_WHITESPACE)
# A 32-bit build by a 64-bit compiler.
if(triplet MATCHES "^x86_64-" AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT triplet MATCHES "x32$")
	string(REGEX REPLACE "^x86_64" i686 triplet ${triplet})
endif()
string(REGEX MATCH "^[^-]+" cpu "${triplet}")
find_program(DPKG_ARCHITECTURE dpkg-architecture)
if(DPKG_ARCHITECTURE)
	execute_process(COMMAND ${DPKG_ARCHITECTURE} -t ${triplet} -qDEB_HOST_ARCH
		OUTPUT_VARIABLE deb OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
set(rpm ${cpu})
set(guess ${cpu})
if(triplet MATCHES "^arm.*hf$")
	set(guess armhf)
	set(rpm armv7hl)
elseif(cpu MATCHES "^arm")
	set(guess armel)
	set(rpm armv5tel)
elseif(cpu MATCHES "^i.86$")
	set(guess i386)
	set(rpm i686)
elseif(" x86_64=amd64 aarch64=arm64 powerpc64le=ppc64el loongarch64=loong64 " MATCHES " ${cpu}=([^ ]+)")
	set(guess ${CMAKE_MATCH_1})
endif()
string(REGEX REPLACE "^powerpc" ppc rpm ${rpm})
if(NOT deb)
	set(deb ${guess})
endif()
if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
	set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb})
endif()
if(NOT CPACK_RPM_PACKAGE_ARCHITECTURE)
	set(CPACK_RPM_PACKAGE_ARCHITECTURE ${rpm})
endif()
message(STATUS "Packages for ${triplet}: Debian ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}, RPM ${CPACK_RPM_PACKAGE_ARCHITECTURE}")

# At pack time: the release date stamps the packages unless the packager
# sets one, the Debian package is packed only from a dynamic link and only
# it gets the lintian override, and CPack's own source package, which takes
# whatever is on disk, is refused.
more_zero_day(${MORE_ZERO_DATE} release)
file(WRITE ${PROJECT_BINARY_DIR}/CPackProject.cmake "if(CPACK_INSTALLED_DIRECTORIES)
	message(FATAL_ERROR \"The source archive is packed from git: cmake --build . --target dist\")
endif()
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
	set(ENV{SOURCE_DATE_EPOCH} ${release_epoch})
endif()
if(CPACK_GENERATOR STREQUAL \"DEB\")
	if(NOT \"${linked}\" STREQUAL dynamic)
		message(FATAL_ERROR \"The Debian package is linked dynamically, as Debian's own are: pack it from a build configured with -DMORE_ZERO_LINK=dynamic (cmake --preset dynamic)\")
	endif()
	list(APPEND CPACK_INSTALL_CMAKE_PROJECTS \"${PROJECT_BINARY_DIR}\" ${PROJECT_NAME} lintian /)
endif()
")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProject.cmake)
# CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS reaches only the directories
# that install() makes: under umask 077 the package still holds
# drwx------ ./usr/, which CPack makes itself.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/permissions.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/permissions.cmake)

set(CPACK_PACKAGE_DESCRIPTION "more_zero writes the prompt \"give a number:\", reads one integer from
standard input and exits with status 0 when it is more than zero, 1 when it
is zero and 2 when it is less than zero. It prints nothing else, so shell
scripts can branch on the answer.")
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_RELOCATABLE OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The scan needs the file utility.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_BINARY_DIR}/rpm-changelog)
set(CPACK_RPM_USER_FILELIST "%license /usr/${docdir}/copyright")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1)
# No /usr/lib/.build-id links to own, the release date for its dates, and
# no host name, so that any machine packs the same RPM.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _buildhost reproducible")
include(CPack)

# The source archive is packed from git, not from the files on disk.
add_custom_target(dist COMMAND sh ${PROJECT_SOURCE_DIR}/packaging/dist.sh ${PROJECT_SOURCE_DIR}
	${PROJECT_NAME}-${PROJECT_VERSION} ${PROJECT_BINARY_DIR} VERBATIM)
