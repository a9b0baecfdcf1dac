#include "tasks/WebAddress.h"

#include "platform/AsciiText.h"

namespace download {

namespace {

// The parts of an absolute address: scheme ("http"), authority
// ("host:port"), path ("/a/b"), query (with its "?", or empty).
struct UrlParts {
    std::wstring scheme;
    std::wstring authority;
    std::wstring path;
    std::wstring query;
};

// The scheme of a reference, lower-cased, or empty when it has none.
std::wstring SchemeOf(const std::wstring& reference)
{
    for (size_t i = 0; i < reference.size(); ++i) {
        const wchar_t c = reference[i];
        if (c == L':')
            return i == 0 ? std::wstring() : reference.substr(0, i);
        if (!(IsAsciiLetter(c) || (i > 0 && (IsAsciiDigit(c) || c == L'+' || c == L'-' || c == L'.'))))
            return std::wstring();
    }
    return std::wstring();
}

// Splits "//authority/path?query" (the part after "scheme:").
void SplitHierarchy(const std::wstring& rest, UrlParts& parts)
{
    size_t pos = 0;
    if (rest.compare(0, 2, L"//") == 0) {
        const size_t end = rest.find_first_of(L"/?", 2);
        parts.authority = rest.substr(2, end == std::wstring::npos ? std::wstring::npos : end - 2);
        pos = end == std::wstring::npos ? rest.size() : end;
    }
    const size_t question = rest.find(L'?', pos);
    parts.path = rest.substr(pos, question == std::wstring::npos ? std::wstring::npos : question - pos);
    parts.query = question == std::wstring::npos ? std::wstring() : rest.substr(question);
}

bool SplitAbsolute(const std::wstring& url, UrlParts& parts)
{
    const std::wstring scheme = SchemeOf(url);
    if (scheme.empty())
        return false;
    parts.scheme = AsciiLowered(scheme);
    SplitHierarchy(url.substr(scheme.size() + 1), parts);
    return true;
}

// Removes "." and ".." segments from a path.
std::wstring RemoveDotSegments(const std::wstring& path)
{
    std::wstring input = path;
    std::wstring output;
    while (!input.empty()) {
        if (input.compare(0, 3, L"../") == 0) {
            input.erase(0, 3);
        } else if (input.compare(0, 2, L"./") == 0) {
            input.erase(0, 2);
        } else if (input.compare(0, 3, L"/./") == 0) {
            input.erase(0, 2);
        } else if (input == L"/.") {
            input = L"/";
        } else if (input.compare(0, 4, L"/../") == 0 || input == L"/..") {
            input = input.size() == 3 ? std::wstring(L"/") : input.substr(3);
            const size_t slash = output.rfind(L'/');
            output.erase(slash == std::wstring::npos ? 0 : slash);
        } else if (input == L"." || input == L"..") {
            input.clear();
        } else {
            const size_t next = input.find(L'/', input[0] == L'/' ? 1 : 0);
            output += input.substr(0, next);
            input.erase(0, next == std::wstring::npos ? input.size() : next);
        }
    }
    return output;
}

std::wstring Joined(const UrlParts& parts)
{
    return parts.scheme + L"://" + parts.authority + (parts.path.empty() ? L"/" : parts.path) + parts.query;
}

}  // namespace

bool IsRedirectStatus(uint32_t status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::wstring LoggedAddress(const std::wstring& url)
{
    const std::wstring address = url.substr(0, url.find(L'#'));
    UrlParts parts;
    if (!SplitAbsolute(address, parts))
        return address.substr(0, address.find(L'?'));
    const size_t at = parts.authority.rfind(L'@');
    const std::wstring host = at == std::wstring::npos ? parts.authority : parts.authority.substr(at + 1);
    return parts.scheme + L"://" + host + parts.path;
}

std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location)
{
    // The base's fragment is no part of the address that answered (it is
    // never sent); left in, it would end up before a reference's query.
    UrlParts from;
    if (!SplitAbsolute(base.substr(0, base.find(L'#')), from))
        return std::wstring();
    std::wstring reference = TrimmedBlanks(location);
    const size_t hash = reference.find(L'#');
    if (hash != std::wstring::npos)
        reference.erase(hash);

    UrlParts to;
    if (!SchemeOf(reference).empty()) {
        SplitAbsolute(reference, to);
        to.path = RemoveDotSegments(to.path);
    } else {
        to.scheme = from.scheme;
        UrlParts relative;
        SplitHierarchy(reference, relative);
        if (reference.compare(0, 2, L"//") == 0) {
            to.authority = relative.authority;
            to.path = RemoveDotSegments(relative.path);
            to.query = relative.query;
        } else {
            to.authority = from.authority;
            if (relative.path.empty()) {
                to.path = from.path;
                to.query = relative.query.empty() ? from.query : relative.query;
            } else {
                if (relative.path[0] == L'/') {
                    to.path = RemoveDotSegments(relative.path);
                } else {
                    const size_t slash = from.path.rfind(L'/');
                    const std::wstring directory =
                        slash == std::wstring::npos ? std::wstring(L"/") : from.path.substr(0, slash + 1);
                    to.path = RemoveDotSegments(directory + relative.path);
                }
                to.query = relative.query;
            }
        }
    }
    if ((to.scheme != L"http" && to.scheme != L"https") || to.authority.empty())
        return std::wstring();
    return Joined(to);
}

bool IsHttps(const std::wstring& url)
{
    return AsciiLowered(SchemeOf(url)) == L"https";
}

}  // namespace download
