#pragma once

#include <cstddef>
#include <functional>
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
    // Runs `work` while the digest takes in `bytes`. Hashing costs as much as reading
    // S-records does, so a large piece is hashed on a thread of its own beside the reader;
    // `work` may read `bytes` but not change them.
    void AddWhile(std::string_view bytes, const std::function<void()>& work);
    // 64 lower-case hex digits; none when libcrypto failed. Ends the digest.
    std::optional<std::string> Finish();

private:
    evp_md_ctx_st* context_;
    bool failed_ = false;
};

} // namespace imagebuf
