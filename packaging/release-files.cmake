# Writes what a release publishes beside its packages, from the packages this build made:
#   SHA256SUMS            one "hash  name" line per download, as sha256sum -c reads it;
#   winget/<id>.yaml, <id>.installer.yaml, <id>.locale.en-US.yaml   the winget manifests, with
#                         the installer's hash (only when there is an installer).
# Run by the build: cmake -DPACKAGE_DIR= -DZIP= [-DSETUP=] -DVERSION= -DEPOCH= -DREPOSITORY=
#                         -DTEMPLATES= -P release-files.cmake
cmake_minimum_required(VERSION 3.20)

foreach(var PACKAGE_DIR ZIP VERSION EPOCH REPOSITORY TEMPLATES)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "release-files: ${var} is not given")
  endif()
endforeach()

# The winget community repository names a package Publisher.Package; its schema, the newest
# version the repository's validation takes.
set(PACKAGE_ID ZarnikDevelopers.Zarnik)
set(MANIFEST_VERSION 1.12.0)

set(downloads ${ZIP})
if(SETUP)
  list(PREPEND downloads ${SETUP})
endif()

set(sums "")
foreach(file IN LISTS downloads)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "release-files: ${file} was not built")
  endif()
  file(SHA256 ${file} hash)
  get_filename_component(name ${file} NAME)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${PACKAGE_DIR}/SHA256SUMS "${sums}")

set(winget_dir ${PACKAGE_DIR}/winget)
file(REMOVE_RECURSE ${winget_dir})
if(NOT SETUP)
  message(STATUS "No installer: no winget manifests")
  return()
endif()

file(SHA256 ${SETUP} SETUP_SHA256)
string(TOUPPER ${SETUP_SHA256} SETUP_SHA256)
get_filename_component(SETUP_NAME ${SETUP} NAME)
set(PROJECT_URL "https://github.com/${REPOSITORY}")
set(RELEASE_URL "${PROJECT_URL}/releases/download/v${VERSION}")
# The release's date is the commit's.
set(ENV{SOURCE_DATE_EPOCH} ${EPOCH})
string(TIMESTAMP RELEASE_DATE "%Y-%m-%d" UTC)

configure_file(${TEMPLATES}/version.yaml.in ${winget_dir}/${PACKAGE_ID}.yaml @ONLY NEWLINE_STYLE UNIX)
configure_file(${TEMPLATES}/installer.yaml.in ${winget_dir}/${PACKAGE_ID}.installer.yaml @ONLY
               NEWLINE_STYLE UNIX)
configure_file(${TEMPLATES}/locale.en-US.yaml.in ${winget_dir}/${PACKAGE_ID}.locale.en-US.yaml @ONLY
               NEWLINE_STYLE UNIX)
