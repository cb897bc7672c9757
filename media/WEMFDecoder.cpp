#include "media/WEMFDecoder.h"

#include "media/TextException.h"

void PLWEMFDecoder::Open(PLDataSource*) {
    throw PLTextException(PL_ERRFORMAT_NOT_COMPILED, kTextNotCompiled);
}
