#pragma once

#include <optional>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace imagebuf {

// The SHA-256 of a file's bytes, taken in as the loader reads them (OpenSSL's libcrypto).
class FileDigest {
public:
    FileDigest();
    ~FileDigest();
    FileDigest(const FileDigest&) = delete;
    FileDigest& operator=(const FileDigest&) = delete;

    void Add(std::string_view bytes);
    // 64 lower-case hex digits; none when libcrypto failed. Ends the digest.
    std::optional<std::string> Finish();

private:
    evp_md_ctx_st* context_;
    bool failed_ = false;
};

} // namespace imagebuf
