#include "base/Status.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>

TEST(Status, SuccessCarriesNoMessageAndFailureItsCodeAndMessage)
{
    const Status ok = Status::Success();
    EXPECT_TRUE(ok.Ok());
    EXPECT_EQ(ok.Code(), StatusCode::Ok);
    EXPECT_TRUE(ok.Message().empty());
    EXPECT_EQ(ok, Status());

    const Status failed(StatusCode::WriteFailed, "cannot write 'a.sim': No space left on device");
    EXPECT_FALSE(failed.Ok());
    EXPECT_EQ(failed.Code(), StatusCode::WriteFailed);
    EXPECT_EQ(failed.Message(), "cannot write 'a.sim': No space left on device");
    EXPECT_NE(failed, ok);
    EXPECT_NE(failed, Status(StatusCode::CannotCreate, failed.Message()));
}

TEST(Result, HoldsAValueOrTheErrorThatSaysWhyNot)
{
    Result<std::string> value(std::string("read"));
    ASSERT_TRUE(value.Ok());
    EXPECT_TRUE(static_cast<bool>(value));
    EXPECT_EQ(*value, "read");
    EXPECT_EQ(value->size(), 4u);
    EXPECT_EQ(value.Code(), StatusCode::Ok);
    EXPECT_TRUE(value.Message().empty());
    EXPECT_THROW(static_cast<void>(value.Error()), std::bad_variant_access);

    const Result<std::string> error(Status(StatusCode::NotValid, "'x.sim': not a simulation file"));
    ASSERT_FALSE(error.Ok());
    EXPECT_FALSE(static_cast<bool>(error));
    EXPECT_EQ(error.Code(), StatusCode::NotValid);
    EXPECT_EQ(error.Message(), "'x.sim': not a simulation file");
    EXPECT_EQ(error.Error().Message(), error.Message());
    EXPECT_THROW(static_cast<void>(error.Value()), std::bad_variant_access);
}

TEST(Result, MovesAValueThatCannotBeCopied)
{
    Result<std::unique_ptr<int>> held(std::make_unique<int>(7));
    ASSERT_TRUE(held.Ok());
    const std::unique_ptr<int> taken = std::move(held).Value();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 7);
}
