# The one time a build may carry: the commit's, so that two builds of one commit give the same
# bytes wherever and whenever they run. In order:
#   SOURCE_DATE_EPOCH from the environment (the reproducible-builds convention);
#   the commit time of the checked-out commit (git log -1 --format=%ct);
#   cmake/source-date-epoch.txt, which git archive fills in (export-subst), for a source archive;
#   1980-01-01 00:00 UTC, the earliest time a zip entry can hold.
# Sets ZARNIK_SOURCE_DATE_EPOCH (seconds since 1970, UTC) and ZARNIK_SOURCE_DATE (YYYYMMDD, UTC).
set(_epoch "")
set(_from "")
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(_epoch $ENV{SOURCE_DATE_EPOCH})
  set(_from "SOURCE_DATE_EPOCH")
endif()

if(NOT _epoch)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE _git_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE _git_failed ERROR_QUIET)
    if(NOT _git_failed AND _git_epoch MATCHES "^[0-9]+$")
      set(_epoch ${_git_epoch})
      set(_from "the commit")
      # A new commit or checkout must give the build its time: configure again when HEAD moves.
      foreach(_git_file HEAD logs/HEAD)
        execute_process(COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} rev-parse --git-path ${_git_file}
                        OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(_path)
          get_filename_component(_path ${_path} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
          if(EXISTS ${_path})
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_path})
          endif()
        endif()
      endforeach()
    endif()
  endif()
endif()

if(NOT _epoch)
  file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/source-date-epoch.txt _archived LIMIT_COUNT 1)
  if(_archived MATCHES "^[0-9]+$")
    set(_epoch ${_archived})
    set(_from "the source archive")
  endif()
endif()

if(NOT _epoch)
  set(_epoch 315532800)
  set(_from "no commit (a fixed date)")
  message(WARNING "No commit time: neither git nor an archived date. The packages carry 1980-01-01 "
                  "as their date; set SOURCE_DATE_EPOCH to give them the commit's.")
endif()
# A zip entry holds nothing before 1980.
if(_epoch LESS 315532800)
  set(_epoch 315532800)
endif()

set(ZARNIK_SOURCE_DATE_EPOCH ${_epoch})
# string(TIMESTAMP) gives SOURCE_DATE_EPOCH's time when it is set, not the clock's.
set(_saved "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${_epoch})
string(TIMESTAMP ZARNIK_SOURCE_DATE "%Y%m%d" UTC)
string(TIMESTAMP _shown "%Y-%m-%d %H:%M:%S UTC" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${_saved}")
message(STATUS "Source date: ${_shown} (${ZARNIK_SOURCE_DATE_EPOCH}, from ${_from})")
