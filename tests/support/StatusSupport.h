#pragma once

#include <string>

#include "base/Status.h"

// For tests written against a bool-and-message shape: keeps the failure's
// message in `error` and says whether the call succeeded.
inline bool Succeeded(const Status& status, std::string& error)
{
    error = status.Message();
    return status.Ok();
}

template <typename T>
bool Succeeded(const Result<T>& result, std::string& error)
{
    error = result.Message();
    return result.Ok();
}
