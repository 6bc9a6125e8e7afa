// The error record of one failing call: context words, messages and the last
// code of each platform, composed into the text a script is shown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class ErrorReport {
public:
    ErrorReport() = default;
    virtual ~ErrorReport() = default;

    // Views, so that the fixed words every drawing adds make no string of their own.
    void AddContext(std::string_view inText);
    void AddMessage(std::string_view inText);

    void SetQuickTimeError(std::int32_t inCode) { mQuickTimeError = inCode; }
    // A code equal to inIgnore leaves the earlier code in place.
    void SetWindowsError(std::uint32_t inCode, std::uint32_t inIgnore = 0);
    void SetComError(std::int32_t inCode) { mComError = inCode; }

    std::int32_t GetQuickTimeError() const { return mQuickTimeError; }
    std::uint32_t GetWindowsError() const { return mWindowsError; }
    std::int32_t GetComError() const { return mComError; }
    std::int32_t GetContextCount() const { return mContextCount; }
    std::int32_t GetMessageCount() const { return mMessageCount; }
    const std::string& GetContext() const { return mContext; }
    const std::string& GetMessages() const { return mMessages; }

    // Context alone is not an error.
    bool HasError() const;
    // Valid until the record changes or dies.
    const std::string& Message();

private:
    std::int32_t mContextCount = 0;
    std::string mContext;
    std::int32_t mMessageCount = 0;
    std::string mMessages;
    std::int32_t mQuickTimeError = 0;
    std::uint32_t mWindowsError = 0;
    std::int32_t mComError = 0;
    std::string mComposed;
};
