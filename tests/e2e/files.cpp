#include "files.h"

std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ShortPath(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::wstring WidePath(const std::string& path) {
    std::wstring wide;
    const int n =
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (n > 0) {
        wide.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], n);
    }
    // CreateDirectory stops at 248 characters (room for an 8.3 name), the
    // other calls at MAX_PATH, unless the path is given verbatim.
    if (wide.size() >= 248 && wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\')
        wide = L"\\\\?\\" + wide;
    return wide;
}

bool MakeDirectories(const std::string& path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '\\') continue;
        const std::string prefix = path.substr(0, i);
        if (!CreateDirectoryW(WidePath(prefix).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

namespace {

bool RemoveWideTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // Read-only files and folders (some scenarios make them so) go as well.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
            RemoveWideTree(path + L"\\" + found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

}  // namespace

bool RemoveTree(const std::string& path) {
    std::wstring wide = WidePath(path);
    // Anything below may be long even when the root is not.
    if (wide.compare(0, 4, L"\\\\?\\") != 0 && wide.size() > 2 && wide[1] == L':')
        wide = L"\\\\?\\" + wide;
    return RemoveWideTree(wide);
}

bool WriteTextFile(const std::string& path, const std::string& bytes) {
    return WriteFileWithGap(path, bytes, 0, std::string());
}

bool WriteFileWithGap(const std::string& path, const std::string& head, ULONGLONG gap,
                      const std::string& tail) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    auto write = [&](const std::string& bytes) {
        DWORD written = 0;
        return bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                           &written, nullptr) &&
                                 written == bytes.size());
    };
    bool done = write(head);
    if (done && gap > 0) {
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(head.size() + gap);
        done = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    }
    done = done && write(tail);
    CloseHandle(file);
    return done;
}

std::string ReadTextFile(const std::string& path) {
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CopyInto(const std::string& source, const std::string& target) {
    return MakeDirectories(DirectoryOf(target)) &&
           CopyFileW(WidePath(source).c_str(), WidePath(target).c_str(), FALSE) != 0;
}

namespace {

// Copies the folder's files and folders (not what lies below those) by
// wide names, so names outside the ANSI code page come across too.
bool CopyWideFolder(const std::wstring& from, const std::wstring& to, std::vector<std::wstring>& names) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool copied = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        names.push_back(name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copied = (CreateDirectoryW((to + L"\\" + name).c_str(), nullptr) ||
                      GetLastError() == ERROR_ALREADY_EXISTS) && copied;
        else
            copied = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) &&
                     copied;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return copied;
}

}  // namespace

bool CopyFolder(const std::string& from, const std::string& to, std::vector<std::string>* names) {
    std::vector<std::wstring> wide;
    const bool copied = MakeDirectories(to) && CopyWideFolder(WidePath(from), WidePath(to), wide);
    if (names) {
        for (const std::wstring& name : wide) {
            char utf8[4 * MAX_PATH];
            const int n = WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, utf8, sizeof utf8,
                                              nullptr, nullptr);
            names->push_back(n > 0 ? utf8 : "?");
        }
    }
    return copied;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool ReadPathOptions(int argc, char** argv, int first,
                     std::initializer_list<std::pair<const char*, std::string*>> options) {
    if ((argc - first) % 2 != 0) return false;
    for (int i = first; i + 1 < argc; i += 2) {
        bool known = false;
        for (const auto& option : options) {
            if (std::string("--") + option.first != argv[i]) continue;
            *option.second = WindowsPath(argv[i + 1]);
            known = true;
        }
        if (!known) return false;
    }
    return true;
}

