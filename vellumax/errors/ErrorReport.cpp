#include "vellumax/errors/ErrorReport.h"

#include "vellumax/errors/ErrorTexts.h"

namespace {

constexpr std::size_t kContextRoom = 64;

}  // namespace

void ErrorReport::AddContext(std::string_view inText)
{
    // A drawing adds its report and then a few words: room for them at the
    // first saves a second allocation and copy.
    if (mContext.empty())
        mContext.reserve(inText.size() + kContextRoom);
    if (mContextCount > 0)
        mContext += ' ';
    mContext += inText;
    ++mContextCount;
}

void ErrorReport::AddMessage(std::string_view inText)
{
    if (mMessageCount > 0)
        mMessages += ' ';
    mMessages += inText;
    ++mMessageCount;
}

void ErrorReport::SetWindowsError(std::uint32_t inCode, std::uint32_t inIgnore)
{
    if (inCode != inIgnore)
        mWindowsError = inCode;
}

bool ErrorReport::HasError() const
{
    return mMessageCount != 0 || mQuickTimeError != 0 || mWindowsError != 0 || mComError != 0;
}

const std::string& ErrorReport::Message()
{
    if (!HasError()) {
        mComposed = "No errors occurred";
        return mComposed;
    }
    mComposed.clear();
    if (mMessageCount > 0) {
        mComposed += mMessages;
        mComposed += '\n';
    }
    ExplainQuickTimeError(mComposed, mQuickTimeError);
    // The Windows error is a number of its own; a COM error is an HRESULT and reads as negative.
    ExplainWindowsError(mComposed, static_cast<long>(mWindowsError));
    ExplainWindowsError(mComposed, static_cast<long>(mComError));
    if (mContextCount > 0) {
        mComposed += "\n\n";
        mComposed += mContext;
    }
    return mComposed;
}
