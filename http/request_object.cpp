#include "http/request_object.hpp"

#include <curl/curl.h>

#include <mutex>
#include <utility>

namespace vx::http {

void http_global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

RequestObject::RequestObject() {
    http_global_init();
    handle_ = curl_easy_init();
}

RequestObject::~RequestObject() {
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
    }
}

RequestObject::RequestObject(RequestObject&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

RequestObject& RequestObject::operator=(RequestObject&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) {
            curl_easy_cleanup(handle_);
        }
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

}  // namespace vx::http
