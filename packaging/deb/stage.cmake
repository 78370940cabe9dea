# Run by CPack on the staged package tree, before it is packed: the manual pages compressed, and
# the copyright and changelog files every Debian package carries, as Debian's policy has them.
set(root "${CPACK_TEMPORARY_DIRECTORY}")
set(doc "${root}/usr/share/doc/${CPACK_PACKAGE_NAME}")

function(gzip_in_place file)
  # -n keeps name and time out of the header, so the same tree packs to the same bytes.
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()

file(GLOB pages "${root}/usr/share/man/man*/*.[1-9]")
if(NOT pages)
  message(FATAL_ERROR "no manual page staged under ${root}")
endif()
foreach(page IN LISTS pages)
  gzip_in_place("${page}")
endforeach()

execute_process(COMMAND date -u -R -d "${CPACK_OMBRISK_RELEASE_DATE}" OUTPUT_VARIABLE released
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "release date '${CPACK_OMBRISK_RELEASE_DATE}' is no date")
endif()
file(MAKE_DIRECTORY "${doc}")
configure_file("${CPACK_OMBRISK_PACKAGING_DIR}/changelog.in" "${doc}/changelog" @ONLY)
gzip_in_place("${doc}/changelog")
configure_file("${CPACK_OMBRISK_PACKAGING_DIR}/copyright.in" "${doc}/copyright" @ONLY)
