# What every platform's installed files and packages share: the version comes from project(),
# the release date and the identity from here; the platform files add what each installs.
set(SPIRELLE_RELEASE_DATE 2026-12-08)

# The Debian changelog wants the release as an RFC 2822 time, noon UTC: CMake formats it from
# the date's seconds since 1970 (days from the civil date, as in Howard Hinnant's algorithm).
string(REGEX MATCH "^([0-9]+)-0?([0-9]+)-0?([0-9]+)$" _ "${SPIRELLE_RELEASE_DATE}")
set(year ${CMAKE_MATCH_1})
set(month_from_march "${CMAKE_MATCH_2} + 9")
if(CMAKE_MATCH_2 GREATER 2)
  set(month_from_march "${CMAKE_MATCH_2} - 3")
else()
  math(EXPR year "${year} - 1")
endif()
math(EXPR days "(${year} / 400) * 146097 + (${year} % 400) * 365 + (${year} % 400) / 4 - (${year} % 400) / 100 + (153 * (${month_from_march}) + 2) / 5 + ${CMAKE_MATCH_3} - 1 - 719468")
math(EXPR seconds "${days} * 86400 + 43200")
# The variable is put back as it was, unset where it was unset: the compilers that configure
# runs later read it, and Clang 16 and later refuse an empty one.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
endif()
set(ENV{SOURCE_DATE_EPOCH} ${seconds})
string(TIMESTAMP SPIRELLE_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)
if(DEFINED saved_epoch)
  set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
else()
  unset(ENV{SOURCE_DATE_EPOCH})
endif()
set(SPIRELLE_RELEASE_EPOCH ${seconds})
# The year of the copyright notices in the Windows program and the Debian copyright file.
string(SUBSTRING "${SPIRELLE_RELEASE_DATE}" 0 4 SPIRELLE_RELEASE_YEAR)
set(SPIRELLE_APP_ID org.spirelle.Spirelle)
set(SPIRELLE_HOMEPAGE https://spirelle.invalid)

set(CPACK_PACKAGE_NAME spirelle)
set(CPACK_PACKAGE_VENDOR "The Spirelle developers")
set(CPACK_PACKAGE_CONTACT "Spirelle developers <dev@spirelle.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)


# The same sources make the same bytes: every time stamp in a package or archive is
# SOURCE_DATE_EPOCH, or the release's noon when it is not set (CPack reads it when it packs);
# directories are made with the same permissions whatever the umask; and no build folder's
# path is written into a program.
configure_file(cmake/cpack_options.cmake.in cpack_options.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/cpack_options.cmake)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
