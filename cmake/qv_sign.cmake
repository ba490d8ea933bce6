# Authenticode signatures of everything Quintavera ships (scripts/authenticode.sh, osslsigncode):
# each file is signed as soon as it is built, before anything embeds it, so that every copy a
# machine gets is signed. The certificate is the PKCS#12 file QV_SIGN_PKCS12 names in the build's
# environment, else the test certificate made here once, in ${CMAKE_BINARY_DIR}/signing.
find_program(QV_OSSLSIGNCODE osslsigncode DOC "Authenticode signer (Debian package osslsigncode)"
             REQUIRED)
find_program(QV_OPENSSL openssl DOC "OpenSSL, for the test certificate" REQUIRED)

set(QV_SIGN_DIR ${CMAKE_BINARY_DIR}/signing)
set(QV_SIGN_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/authenticode.sh)
execute_process(COMMAND bash ${QV_SIGN_SCRIPT} test-certificate ${QV_SIGN_DIR}
                RESULT_VARIABLE qv_test_certificate_result)
if(NOT qv_test_certificate_result EQUAL 0)
  message(FATAL_ERROR "The test signing certificate cannot be made in ${QV_SIGN_DIR}")
endif()

# The certificate in use, read from the environment at every build; the file changes only with
# the certificate, and everything that is signed depends on it, so a new one re-signs everything.
set(QV_SIGN_IDENTITY ${QV_SIGN_DIR}/identity)
add_custom_target(qv_signing_identity ALL
  COMMAND bash ${QV_SIGN_SCRIPT} identity ${QV_SIGN_DIR}
  BYPRODUCTS ${QV_SIGN_IDENTITY}
  VERBATIM)

# A command that signs the file given after it, for custom commands that build a shipped file.
set(QV_SIGN_COMMAND bash ${QV_SIGN_SCRIPT} sign ${QV_SIGN_DIR})

# qv_sign(<target>): the target's file is signed each time it is linked.
function(qv_sign target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${QV_SIGN_COMMAND} $<TARGET_FILE:${target}>
    VERBATIM)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${QV_SIGN_IDENTITY})
endfunction()
