# Authenticode signing through scripts/sign.sh, off by default. When on,
# Uninstall.exe is signed as it links (so the payload packs the signed program)
# and the installers after theirs. The key comes as a PKCS#12 file or a PEM
# certificate and key; the signing time is SOURCE_DATE_EPOCH, so that a signed
# build has the same bytes each time too (a timestamp server's answer aside).
option(TORVANE_SIGN "Sign Uninstall.exe and the installers" OFF)
set(TORVANE_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file with the signing key and certificate")
set(TORVANE_SIGN_CERT "" CACHE FILEPATH "PEM certificate (chain) to sign with, beside TORVANE_SIGN_KEY")
set(TORVANE_SIGN_KEY "" CACHE FILEPATH "PEM private key, beside TORVANE_SIGN_CERT")
set(TORVANE_SIGN_PASS_FILE "" CACHE FILEPATH "File holding the key's password")
set(TORVANE_SIGN_TIMESTAMP "" CACHE STRING "RFC 3161 timestamp server URL")

set(TORVANE_SIGN_ARGS)
if(TORVANE_SIGN)
  if(TORVANE_SIGN_PKCS12)
    list(APPEND TORVANE_SIGN_ARGS --pkcs12 ${TORVANE_SIGN_PKCS12})
  elseif(TORVANE_SIGN_CERT AND TORVANE_SIGN_KEY)
    list(APPEND TORVANE_SIGN_ARGS --cert ${TORVANE_SIGN_CERT} --key ${TORVANE_SIGN_KEY})
  else()
    message(FATAL_ERROR "TORVANE_SIGN needs TORVANE_SIGN_PKCS12, or TORVANE_SIGN_CERT and TORVANE_SIGN_KEY")
  endif()
  if(TORVANE_SIGN_PASS_FILE)
    list(APPEND TORVANE_SIGN_ARGS --pass-file ${TORVANE_SIGN_PASS_FILE})
  endif()
  if(TORVANE_SIGN_TIMESTAMP)
    list(APPEND TORVANE_SIGN_ARGS --timestamp ${TORVANE_SIGN_TIMESTAMP})
  endif()
  list(APPEND TORVANE_SIGN_ARGS --time ${TORVANE_SOURCE_DATE_EPOCH})
endif()
# What scripts/pack.sh hands to sign.sh for the installers it links.
set(TORVANE_SIGN_ARGS ${TORVANE_SIGN_ARGS} CACHE INTERNAL "")

# Signs TARGET's file right after it links (nothing when signing is off).
function(torvane_sign target)
  if(TORVANE_SIGN)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/sign.sh ${TORVANE_SIGN_ARGS} $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()
