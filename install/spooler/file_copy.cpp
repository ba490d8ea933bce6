// Copying one product file from the installer's directory.
#include "spooler/file_copy.h"

#include <cwchar>

#include "base/text_buffer.h"
#include "context/install_context.h"
#include "log/install_log.h"

namespace qv {
namespace {

constexpr int kOpenAttempts = 100;
constexpr DWORD kOpenTimeout = 10000;
constexpr DWORD kOpenRetryDelay = 50;
constexpr DWORD kCopyChunk = 8192;

enum CopyError { kNoError = 0, kShortWrite = 8, kTargetNotOpened = 9, kSourceNotOpened = 10 };

// dir + "\" (unless empty or already ending in one) + file.
TextBuffer JoinPath(const wchar_t* dir, const wchar_t* file) {
  TextBuffer path;
  path.Assign(dir);
  if (!path.Empty() && !path.EndsWith(L'\\')) path.Append(L"\\");
  path.Append(file);
  return path;
}

// Streams the source into the target; false on a failed read or a short write.
CopyError StreamFile(HANDLE source, HANDLE target) {
  BYTE chunk[kCopyChunk];
  for (;;) {
    DWORD read = 0;
    if (!Os().ReadFile(source, chunk, sizeof chunk, &read, nullptr)) return kShortWrite;
    if (read > 0) {
      DWORD written = 0;
      Os().WriteFile(target, chunk, read, &written, nullptr);
      if (written < read) return kShortWrite;
    }
    if (read < sizeof chunk) return kNoError;
  }
}

}  // namespace

HANDLE OpenForWriteWithTimeout(InstallContext& ctx, const wchar_t* path) {
  const DWORD start = Os().GetTickCount();
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    HANDLE file =
        Os().CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (Os().GetTickCount() - start > kOpenTimeout) {
      LogLine(ctx, L"CreateFile - timeout");
      return INVALID_HANDLE_VALUE;
    }
    Os().Sleep(kOpenRetryDelay);
  }
  return INVALID_HANDLE_VALUE;
}

HRESULT CopyProductFile(InstallContext& ctx, const wchar_t* destDir, const wchar_t* fileName,
                        wchar_t* destPath, bool logAsError) {
  TextBuffer report;
  report.Format(L"CopyFile %s to %s)", fileName, destDir);
  CopyError error = kNoError;
  HRESULT result = E_FAIL;
  {
    LogIndent indent(ctx);
    const TextBuffer source = JoinPath(ctx.moduleDir.Text(), fileName);
    const TextBuffer target = JoinPath(destDir, fileName);
    const bool targetFits = !destPath || target.Length() < kDestPathCapacity;
    if (destPath) {
      if (targetFits) {
        std::wmemcpy(destPath, target.Text(), target.Length() + 1);
      } else {
        destPath[0] = L'\0';
      }
    }
    ScopedFile sourceFile(Os().CreateFileW(source.Text(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (!sourceFile) {
      error = kSourceNotOpened;
      report.Append(L" Cant't open source file");
    } else if (!targetFits) {
      Os().SetLastError(ERROR_FILENAME_EXCED_RANGE);
      error = kTargetNotOpened;
      report.Append(L" Cant't open destination file");
    } else {
      ScopedFile targetFile(OpenForWriteWithTimeout(ctx, target.Text()));
      if (!targetFile) {
        error = kTargetNotOpened;
        report.Append(L" Cant't open destination file");
      } else {
        error = StreamFile(sourceFile.Get(), targetFile.Get());
        if (error != kNoError) report.Append(L"Copy Error");
        result = error == kNoError ? S_OK : E_FAIL;
      }
    }
    report.Append(result == S_OK ? L"- OK" : L"- FAILED!");
    if (logAsError && error != kNoError) {
      LogError(ctx, error, L"%s", report.Text());
    } else {
      LogLine(ctx, L"%s", report.Text());
    }
  }
  return result;
}

}  // namespace qv
