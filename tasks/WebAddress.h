#pragma once
// Download addresses: where a redirect leads, how an address is shown in
// the log, and whether it is https. Pure functions of their arguments.
#include <cstdint>
#include <string>

namespace download {

// Redirects followed within one attempt; one more fails the download.
constexpr uint32_t kMaxRedirects = 10;

// 301, 302, 303, 307 and 308: the answer is elsewhere (Location).
bool IsRedirectStatus(uint32_t status);

// Resolves a Location header against the address that answered with it
// (relative references as browsers resolve them: absolute, //host/...,
// /path, relative path, ?query), dropping any fragment. Empty when the
// result is no http or https address.
std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location);

// The address as the log shows it: scheme, host (with its port) and path.
// A query, a fragment and a user name or password are left out: signed
// download addresses carry their access tokens there.
std::wstring LoggedAddress(const std::wstring& url);

// Whether the address is https (scheme compared without case).
bool IsHttps(const std::wstring& url);

}  // namespace download
