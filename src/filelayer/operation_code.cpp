#include "filelayer/operation_code.h"

#include <iterator>

namespace kestrand {

namespace {
constexpr std::string_view kOperationNames[] = {
    "(0)",          "ADD",           "BOF",           "BUILDfile",     "APPEND",
    "BUILDdyn",     "BUILDkey",      "CLOSE",         "COMMIT",        "COPY",
    "CREATE",       "DELETE",        "DUPLICATE",     "EMPTY",         "EOF",
    "GETfilekey",   "GETfileptr",    "GETkeyptr",     "HOLDfile",      "HOLDfilesec",
    "LOCKfile",     "LOCKfilesec",   "LOGOUT",        "NAME",          "NEXT",
    "OPEN",         "PACK",          "POINTERfile",   "POINTERkey",    "FLUSH",
    "PUT",          "PREVIOUS",      "RECORDSfile",   "RECORDSkey",    "BUILDdynfilter",
    "(35)",         "RELEASE",       "REMOVE",        "RENAME",        "(39)",
    "ROLLBACK",     "SETfile",       "SETfilekey",    "SETfileptr",    "SETkey",
    "SETkeykey",    "SETkeyptr",     "SETkeykeyptr",  "SHARE",         "SKIP",
    "UNLOCK",       "ADDfilelen",    "BYTES",         "GETfileptrlen", "PUTfileptr",
    "PUTfileptrlen", "STREAM",       "DUPLICATEkey",  "WATCH",         "APPENDlen",
    "SEND",         "POSITIONfile",  "POSITIONkey",   "RESETfile",     "RESETkey",
    "NOMEMO",       "REGETfile",     "REGETkey",      "NULL",          "SETNULL",
    "SETNONULL",    "SET_PROPERTY",  "GET_PROPERTY",  "QUERY_KEY",     "QUERY_VIEW",
    "BLOB_YIELD",   "BLOB_TAKE",     "BLOB_SIZE",     "BLOB_GET_PROP", "BLOB_SET_PROP",
    "BUFFER",       "SETview",       "CLEAR",         "RESETviewfile", "BUILDevent",
    "SETPROPERTYkey", "GETPROPERTYkey", "Internal87", "DO_PROPERTY",   "DOPROPERTYkey",
    "DOPROPERTYblob", "Internal91",  "INVIEW",        "ENDVIEW",       "Internal94",
    "COUNTRECORDS", "GETNULLS",      "SETNULLS",      "GETSTATE",      "RESTORESTATE",
    "Internal100",  "Internal101",   "FREESTATE",     "SQLCALLBACK",   "DESTROY",
};
static_assert(std::size(kOperationNames) == kLastOperationCode + 1);
}  // namespace

std::string_view operationName(int32_t code) {
  if (code < 0 || code > kLastOperationCode) return {};
  return kOperationNames[code];
}

}  // namespace kestrand
