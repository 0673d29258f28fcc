// Paths, files and folders for a scenario's set-up, and the command-line
// options that name them.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// "/a/b" (a Unix path Wine maps through drive Z:) becomes "Z:\a\b"; "C:/a"
// becomes "C:\a".
std::string WindowsPath(std::string path);

// Reads "--name value" pairs from argv[first] on into the named strings, each
// as a Windows path; false on an unknown name or a name without a value.
bool ReadPathOptions(int argc, char** argv, int first,
                     std::initializer_list<std::pair<const char*, std::string*>> options);
std::string DirectoryOf(const std::string& path);  // with its trailing backslash
std::string ShortPath(const std::string& path);    // GetShortPathNameA, "" on failure
// These take paths of any length: from 248 characters on they go to the
// system with the "\\?\" prefix, as the ANSI calls stop at MAX_PATH.
bool MakeDirectories(const std::string& path);
bool RemoveTree(const std::string& path);  // true when nothing is left
bool WriteTextFile(const std::string& path, const std::string& bytes);
// head, then gap zero bytes (a file extended with SetEndOfFile, so sparse
// where the file system allows), then tail.
bool WriteFileWithGap(const std::string& path, const std::string& head, ULONGLONG gap,
                      const std::string& tail);
std::string ReadTextFile(const std::string& path);  // "" when missing
bool FileExists(const std::string& path);
bool CopyInto(const std::string& source, const std::string& target);
// Copies a folder's files and empty folders into target (made if need be)
// by their wide names; names, when given, gets them as UTF-8.
bool CopyFolder(const std::string& from, const std::string& target,
                std::vector<std::string>* names = nullptr);
std::wstring WidePath(const std::string& path);                // ANSI code page, "\\?\" when long
std::vector<std::string> SplitLines(const std::string& text);  // on '\n', drops a final ""
