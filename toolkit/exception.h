// The toolkit's exceptions. Every failure in Ombrisk is an exception that carries the exact message
// text a user sees; the front ends show Message() under the period rule (see conventions.h).
//
//   throw EFOpenError(FormatMessage(kSFOpenErrorEx, {path, reason}));
//   catch (const Exception& e) { show(UserErrorText(e.Message())); }
#pragma once

#include <stdexcept>
#include <string>

namespace ombrisk {

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Stream errors: a short read or write, a file that cannot be created or opened.
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };

// Picture errors.
class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EConvertError : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };

// Message texts of the toolkit, exactly as a user sees them.
inline constexpr const char* kSReadError = "ストリームの読み込みエラー";
inline constexpr const char* kSWriteError = "ストリームの書き込みエラー";
inline constexpr const char* kSFCreateErrorEx = "ファイル \"%s\" を作成できません。%s";
inline constexpr const char* kSFOpenErrorEx = "ファイル %s は開けません。 %s ";
inline constexpr const char* kSInvalidBitmap = "ビットマップイメージが不正です";
inline constexpr const char* kSScanLine = "スキャンライン のインデックスが範囲を越えました";
inline constexpr const char* kSAssignError = "%s を %s に代入することはできません";
inline constexpr const char* kSUnknownExtension = "拡張子 .%s の画像形式は処理できません";

}  // namespace ombrisk
