#pragma once

#include <windows.h>

#include <string>

#include "base/function_table.h"

// Makes the INI file UTF-16 little-endian with its byte-order mark: the one
// encoding in which Windows documents that the profile functions keep text the
// ANSI code page cannot hold. Wine also keeps UTF-16 BE and UTF-8 files with
// their marks intact, but Windows promises nothing for them, so they are
// converted too. Every entry keeps its meaning; a missing file becomes a file
// holding the mark alone. The original is replaced in one step, never
// rewritten in place, so an interruption leaves it whole; the file keeps its
// attributes, encryption, compression and security, and when it is a link the
// file it leads to is replaced. A file already UTF-16 LE is left as it is,
// whatever its size.
// Returns false, with the file unchanged, when the conversion cannot be done
// whole: the file cannot be read, written or replaced, it is no disk file or
// has several names, another program has it open for writing or wrote to it
// meanwhile, its size is not that of a settings file, or something not ours
// holds the temporary name beside it (that is left untouched).
[[nodiscard]] bool MakeUnicodeIniFile(const std::wstring& FileName);

// The file functions of the conversion that real volumes can refuse where Wine
// never does. They default to kernel32's; tests swap in a table that injects
// those refusals.
struct IniFileFunctions {
  decltype(&::CreateFileW) Open;
  decltype(&::SetFileInformationByHandle) SetInformation;
  decltype(&::GetFinalPathNameByHandleW) GetFinalPath;
};

extern const IniFileFunctions kSystemIniFileFunctions;
using IniFileFunctionTable = FunctionTable<IniFileFunctions, kSystemIniFileFunctions>;
using ScopedIniFileFunctions = IniFileFunctionTable::Scope;
