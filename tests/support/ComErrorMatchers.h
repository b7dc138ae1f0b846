#pragma once
#include <gtest/gtest.h>

#include "com/Error.h"

// Fails unless the statement throws com::Error with the given HRESULT.
#define EXPECT_COM_ERROR(statement, expectedCode)                                                  \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            ADD_FAILURE() << "no com::Error from " #statement;                                     \
        } catch (const ::tavlora::com::Error& e) {                                                 \
            EXPECT_EQ(static_cast<uint32_t>(e.code()), static_cast<uint32_t>(expectedCode))        \
                << #statement << ": " << e.what();                                                 \
        }                                                                                          \
    } while (false)
