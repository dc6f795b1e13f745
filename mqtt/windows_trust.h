#pragma once

#include <string>

struct ssl_ctx_st;

namespace kavtra {

// OpenSSL on Windows knows no certificate authorities of the system: its
// default places are folders of the build machine. This TLS context trusts
// those in Windows' own store of root authorities (the computer's and the
// user's, as the browsers do) and checks that the broker's certificate names
// `host`. Null, with `problem` set, when the store cannot be read or is
// empty.
ssl_ctx_st* windowsTrustContext(const std::string& host, std::string& problem);

}  // namespace kavtra
