# Builds a signed Setup.exe with a throw-away certificate, as a publisher would with a
# real one: cmake -DMKSETUP=.. -DMANIFEST=.. -DPAYLOAD=.. -DSTUB=.. -DDIR=.. -P sign_setup.cmake
# Leaves DIR/Setup.exe and DIR/certificate.pem, the certificate to trust when verifying.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE text ERROR_VARIABLE text)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${ARGN}\n${text}")
  endif()
endfunction()

file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
file(WRITE ${DIR}/password "demo only, not a secret\n")
run(openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Tidemoor Demo Publisher"
    -keyout ${DIR}/key.pem -out ${DIR}/certificate.pem)
run(openssl pkcs12 -export -inkey ${DIR}/key.pem -in ${DIR}/certificate.pem
    -passout file:${DIR}/password -out ${DIR}/certificate.p12)
file(REMOVE ${DIR}/key.pem)
run(${MKSETUP} setup ${MANIFEST} --payload ${PAYLOAD} --stub ${STUB} -o ${DIR}/Setup.exe
    --sign ${DIR}/certificate.p12 --password-file ${DIR}/password)
run(${MKSETUP} verify ${DIR}/Setup.exe --ca ${DIR}/certificate.pem)
