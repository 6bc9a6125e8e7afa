// The grammar of parameter strings: name=value pairs separated by white space,
// plain or quoted tokens, and the error state a failed parse leaves behind.
#pragma once

#include <cstddef>
#include <cstdint>

class ParameterParser {
public:
    // Error codes; 1 marks the end of the text inside Parse and never survives it.
    static constexpr std::int32_t kNoError = 0;
    static constexpr std::int32_t kEndOfText = 1;
    static constexpr std::int32_t kMissingEquals = 2;
    static constexpr std::int32_t kMissingParameter = 3;
    static constexpr std::int32_t kTokenTooLong = 4;
    static constexpr std::int32_t kMissingEndQuote = 5;
    static constexpr std::int32_t kBadValue = 6;
    static constexpr std::int32_t kUnknownName = 7;

    static constexpr std::size_t kTokenCapacity = 256;  // 255 characters and the terminator
    static constexpr std::size_t kContextCapacity = 256;
    static constexpr std::size_t kMessageCapacity = 256;

    ParameterParser() = default;
    virtual ~ParameterParser() = default;

    // Parses the whole text, calling SetParameter for each pair in order, and
    // stops at the first error. Returns the final error code (0 on success).
    // A null text is the empty one.
    std::int32_t Parse(const char* inText);

    // One name=value pair. Reports a problem through SetError.
    virtual void SetParameter(const char* inName, const char* inValue) = 0;

    // Sets the code and makes the context the concatenation of the parts
    // (each may be null), cut to what the context holds.
    void SetError(std::int32_t inCode, const char* inPart1 = nullptr, const char* inPart2 = nullptr,
                  const char* inPart3 = nullptr);

    // The message for the current code into outMessage (kMessageCapacity
    // characters); false and the empty text when there is no error.
    bool ErrorMessage(char* outMessage) const;

    std::int32_t ErrorCode() const { return mErrorCode; }
    // 0-based index into the parsed text where parsing stopped.
    std::int32_t ErrorPosition() const { return mErrorPosition; }
    const char* ErrorContext() const { return mErrorContext; }

protected:
    ParameterParser(const ParameterParser&) = default;
    ParameterParser& operator=(const ParameterParser&) = default;

private:
    std::int32_t ReadToken(const char*& ioPosition, char* outToken, bool* outQuoted);
    void SetExcerpt(const char* inStart, const char* inPosition);

    std::int32_t mErrorCode = kNoError;
    std::int32_t mErrorPosition = 0;
    char mErrorContext[kContextCapacity] = {};
};
