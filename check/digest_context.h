// One thread's digest state (SHA-1 for v1 pieces, SHA-256 for v2 blocks): the algorithm fetched
// once, and a context reused for every piece that thread hashes.
#pragma once

#include <openssl/evp.h>

namespace zandrel {

class DigestContext {
 public:
  explicit DigestContext(const char* algorithm = "SHA1")
      : md_(EVP_MD_fetch(nullptr, algorithm, nullptr)), ctx_(EVP_MD_CTX_new()) {}
  ~DigestContext() {
    EVP_MD_CTX_free(ctx_);
    EVP_MD_free(md_);
  }
  DigestContext(const DigestContext&) = delete;
  DigestContext& operator=(const DigestContext&) = delete;
  bool IsValid() const { return md_ != nullptr && ctx_ != nullptr; }
  EVP_MD* md() const { return md_; }
  EVP_MD_CTX* ctx() const { return ctx_; }

 private:
  EVP_MD* md_;
  EVP_MD_CTX* ctx_;
};

}  // namespace zandrel
