# Gathers what every package ships into STAGE: the two binaries stripped, the text files with
# Windows line ends, all with the commit's time. Run by the build with -DSTAGE= -DSTRIP= -DVERSION=
# -DSCR= -DDLL= -DSOURCE= -DPYTHON= -DEPOCH=.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})

foreach(binary ${SCR} ${DLL})
  get_filename_component(name ${binary} NAME)
  if(STRIP)
    # strip writes a time into the PE header: SOURCE_DATE_EPOCH's when set, and 0 is none, as
    # the linker leaves it.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                            ${STRIP} --strip-all -o ${STAGE}/${name} ${binary}
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "stripping ${binary} failed")
    endif()
  else()
    file(COPY ${binary} DESTINATION ${STAGE})
  endif()
endforeach()

# Notepad before Windows 10 shows a file with bare LF line ends as one line.
function(stage_text source target)
  file(READ ${source} text)
  string(REPLACE "@ZARNIK_VERSION@" "${VERSION}" text "${text}")
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${STAGE}/${target} "${text}")
endfunction()

stage_text(${SOURCE}/packaging/README-Windows.txt README.txt)
stage_text(${SOURCE}/LICENSE LICENSE.txt)
stage_text(${SOURCE}/THIRD-PARTY-NOTICES.txt THIRD-PARTY-NOTICES.txt)

# What the installer stores of each file is its time too: the commit's, in every build.
file(GLOB staged ${STAGE}/*)
execute_process(COMMAND ${PYTHON} ${CMAKE_CURRENT_LIST_DIR}/deterministic_zip.py --epoch ${EPOCH} --touch ${staged}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "setting the staged files' time failed")
endif()
