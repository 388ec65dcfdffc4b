// One thread's SHA-1 digest state: the algorithm fetched once, and a context reused for every
// piece that thread hashes.
#pragma once

#include <openssl/evp.h>

namespace zandrel {

class Sha1Context {
 public:
  Sha1Context() : md_(EVP_MD_fetch(nullptr, "SHA1", nullptr)), ctx_(EVP_MD_CTX_new()) {}
  ~Sha1Context() {
    EVP_MD_CTX_free(ctx_);
    EVP_MD_free(md_);
  }
  Sha1Context(const Sha1Context&) = delete;
  Sha1Context& operator=(const Sha1Context&) = delete;
  bool IsValid() const { return md_ != nullptr && ctx_ != nullptr; }
  EVP_MD* md() const { return md_; }
  EVP_MD_CTX* ctx() const { return ctx_; }

 private:
  EVP_MD* md_;
  EVP_MD_CTX* ctx_;
};

}  // namespace zandrel
