#pragma once
// A reusable HTTP request object: one libcurl easy handle that keeps its
// connections and TLS sessions between exchanges. The caller owns it and must
// not use it from two threads at once; http_request() borrows it for one call.
namespace vx::http {

// Initialises libcurl for the whole program. main() calls it before any thread
// starts; http_request() and RequestObject also call it (only the first call
// does anything) so that forgetting it is harmless.
void http_global_init();

class RequestObject {
public:
    RequestObject();
    ~RequestObject();
    RequestObject(RequestObject&& other) noexcept;
    RequestObject& operator=(RequestObject&& other) noexcept;
    RequestObject(const RequestObject&) = delete;
    RequestObject& operator=(const RequestObject&) = delete;

    // False when libcurl could not make a handle.
    bool valid() const { return handle_ != nullptr; }

    // The CURL* handle (libcurl's CURL is void).
    void* native_handle() const { return handle_; }

private:
    void* handle_ = nullptr;
};

}  // namespace vx::http
