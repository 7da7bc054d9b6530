# Authenticode signing of the shipped executables, when the build is given a certificate.
# The password is read by the signer from its file, so it never stands on a command line
# that a build log or a process list would show.
set(QUILL_SIGN_PFX "" CACHE FILEPATH "PKCS#12 file with the code-signing certificate and key (empty: no signing)")
set(QUILL_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File whose first line is the PKCS#12 password")
set(QUILL_SIGN_TIMESTAMP "" CACHE STRING "RFC 3161 time-stamp server URL (empty: no time stamp, no network)")

if(QUILL_SIGN_PFX)
  find_program(QUILL_OSSLSIGNCODE osslsigncode REQUIRED)
  if(NOT QUILL_SIGN_PASSWORD_FILE)
    message(FATAL_ERROR "QUILL_SIGN_PFX needs QUILL_SIGN_PASSWORD_FILE")
  endif()
endif()

# Signs TARGET's file in place right after it is linked, so whatever embeds it or copies it
# afterwards takes the signed bytes.
function(quill_sign target)
  if(NOT QUILL_SIGN_PFX)
    return()
  endif()
  set(stamp)
  if(QUILL_SIGN_TIMESTAMP)
    set(stamp -ts "${QUILL_SIGN_TIMESTAMP}")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${QUILL_OSSLSIGNCODE}" sign -pkcs12 "${QUILL_SIGN_PFX}" -readpass "${QUILL_SIGN_PASSWORD_FILE}"
            -h sha256 ${stamp} -in "$<TARGET_FILE:${target}>" -out "$<TARGET_FILE:${target}>.signed"
    COMMAND "${CMAKE_COMMAND}" -E rename "$<TARGET_FILE:${target}>.signed" "$<TARGET_FILE:${target}>"
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
endfunction()
