#include "imagebuf/FileDigest.h"

#include <openssl/evp.h>

namespace imagebuf {

FileDigest::FileDigest() : context_(EVP_MD_CTX_new())
{
    failed_ = context_ == nullptr || EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1;
}

FileDigest::~FileDigest()
{
    EVP_MD_CTX_free(context_);
}

void FileDigest::Add(std::string_view bytes)
{
    if (!failed_ && !bytes.empty())
        failed_ = EVP_DigestUpdate(context_, bytes.data(), bytes.size()) != 1;
}

std::optional<std::string> FileDigest::Finish()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (failed_ || EVP_DigestFinal_ex(context_, digest, &size) != 1)
        return std::nullopt;
    failed_ = true;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

} // namespace imagebuf
