// A value or the Status that prevented it (shaped like std::expected, which C++20 lacks).
#pragma once

#include <cassert>
#include <optional>
#include <utility>

#include "codecs/Status.h"

namespace vx::codecs {

template <class T>
class [[nodiscard]] Result {
public:
    Result(T inValue) : mValue(std::move(inValue)) {}
    // inStatus must be a failure.
    Result(Status inStatus) : mStatus(inStatus) { assert(inStatus != Status::kOk); }

    bool Ok() const { return mValue.has_value(); }
    explicit operator bool() const { return Ok(); }
    Status Error() const { return mStatus; }

    T& Value() &
    {
        assert(Ok());
        return *mValue;
    }
    const T& Value() const&
    {
        assert(Ok());
        return *mValue;
    }
    T&& Value() &&
    {
        assert(Ok());
        return std::move(*mValue);
    }
    T& operator*() & { return Value(); }
    const T& operator*() const& { return Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }

private:
    std::optional<T> mValue;
    Status mStatus = Status::kOk;
};

}  // namespace vx::codecs
