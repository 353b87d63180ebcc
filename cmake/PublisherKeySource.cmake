# cmake -DKEY_FILE=<public key file> -DTEMPLATE=<publisherkey.cpp.in> -DOUTPUT=<file> -P ...
# Writes the key source of an executable from a public key that
# `corvane-sign keygen` wrote.
file(READ "${KEY_FILE}" CORVANE_PUBLISHER_KEY)
string(STRIP "${CORVANE_PUBLISHER_KEY}" CORVANE_PUBLISHER_KEY)
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
