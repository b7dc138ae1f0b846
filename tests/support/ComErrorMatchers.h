#pragma once
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "com/Error.h"

namespace tavlora::test {

enum class MessageIs { Exactly, Containing };

// The one error assertion: runs `action` and expects a com::Error with `code` whose message is
// `message` (or contains it); an empty `message` accepts any message.
template <typename Action>
void expectComError(Action action, com::HRESULT code, std::string_view message = {},
                    MessageIs how = MessageIs::Exactly) {
    try {
        action();
        ADD_FAILURE() << "expected a com::Error " << std::hex << static_cast<uint32_t>(code) << ": " << message;
    } catch (const com::Error& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.code()), static_cast<uint32_t>(code)) << e.what();
        if (message.empty()) return;
        if (how == MessageIs::Exactly)
            EXPECT_EQ(std::string(e.what()), message);
        else
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
}

}  // namespace tavlora::test

// The same for a statement, any message; failures name the statement.
#define EXPECT_COM_ERROR(statement, expectedCode)                                 \
    do {                                                                          \
        SCOPED_TRACE(#statement);                                                 \
        ::tavlora::test::expectComError([&] { statement; }, (expectedCode));      \
    } while (false)
