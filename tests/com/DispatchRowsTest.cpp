#include "com/DispatchRows.h"

#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"

namespace tavlora::com {
namespace {

// A plain C++ class whose members the rows expose without any glue of their own.
class Account : public Dispatch {
public:
    int32_t balance() const { return balance_; }
    void setBalance(int32_t value) { balance_ = value; }
    const std::string& owner() const { return owner_; }
    void setOwner(std::string owner) { owner_ = std::move(owner); }
    bool deposit(int32_t amount, const std::string& memo, bool receipt) {
        balance_ += amount;
        memos_ += memo + (receipt ? "+" : "-");
        return balance_ > 0;
    }
    void close() { balance_ = 0; }
    const std::shared_ptr<Account>& linked() const { return linked_; }
    void setLinked(std::shared_ptr<Account> account) { linked_ = std::move(account); }
    // Writes into its by-reference argument.
    void swapOwner(Variant& other) {
        std::string previous = owner_;
        owner_ = other.asString();
        other = Variant(previous);
    }
    const std::string& memos() const { return memos_; }

    const DispatchTable& dispatchTable() const override;

private:
    int32_t balance_ = 0;
    std::string owner_;
    std::string memos_;
    std::shared_ptr<Account> linked_;
};

// An object that answers for the account it points at, as a chart sheet answers for its chart.
class AccountView : public Dispatch {
public:
    explicit AccountView(std::shared_ptr<Account> account) : account_(std::move(account)) {}
    Account& account() { return *account_; }
    const DispatchTable& dispatchTable() const override;

private:
    std::shared_ptr<Account> account_;
};

const DispatchTable& Account::dispatchTable() const {
    static const DispatchTable table =
        DispatchRows<Account>("IAccount")
            .get("Balance", 1, VarType::Long, &Account::balance)
            .let("Balance", 1, VarType::Long, &Account::setBalance)
            .get("Owner", 2, VarType::String, &Account::owner)
            .let("Owner", 2, VarType::String, &Account::setOwner)
            .method("Deposit", 3,
                    {{"amount", VarType::Long}, optionalParam("memo", VarType::String, Variant("cash")),
                     optionalParam("receipt", VarType::Boolean, Variant(true))},
                    VarType::Boolean, &Account::deposit)
            .method("Close", 4, VarType::Empty, &Account::close)
            .set("Linked", 5, &Account::setLinked)
            .get("Linked", 5, VarType::Object, &Account::linked)
            .method("SwapOwner", 6, {byRefParam("other", VarType::String)}, VarType::Empty, &Account::swapOwner)
            .method("Describe", 7, {optionalParam("prefix", VarType::Any)}, VarType::String,
                    [](Account& account, Arguments& a) {
                        return (a[0].isMissing() ? std::string("#") : a[0].asString()) + account.owner();
                    })
            .build();
    return table;
}

Account& viewed(Dispatch& d) { return static_cast<AccountView&>(d).account(); }

const DispatchTable& AccountView::dispatchTable() const {
    static const DispatchTable table = DispatchRows<Account>("IAccountView", &viewed)
                                           .get("Balance", 1, VarType::Long, &Account::balance)
                                           .method("Close", 4, VarType::Empty, &Account::close)
                                           .build();
    return table;
}

TEST(DispatchRows, MemberFunctionsReceiveCoercedArgumentsAndDefaults) {
    auto account = std::make_shared<Account>();
    account->put("Balance", Variant("40"));  // coerced to Long before the setter sees it
    EXPECT_EQ(account->balance(), 40);
    EXPECT_EQ(account->get("Balance"), Variant(int32_t{40}));

    EXPECT_EQ(account->call("Deposit", {Variant(2.0)}), Variant(true));
    EXPECT_EQ(account->call("Deposit", {Variant(int16_t{-50}), Variant("fee"), Variant(false)}), Variant(false));
    EXPECT_EQ(account->balance(), -8);
    EXPECT_EQ(account->memos(), "cash+fee-");

    account->put("Owner", Variant(int32_t{7}));
    EXPECT_EQ(account->get("owner"), Variant("7"));
    EXPECT_EQ(account->call("Close"), Variant());
    EXPECT_EQ(account->balance(), 0);
    EXPECT_COM_ERROR(account->call("Deposit", {Variant("many")}), hr::kDispTypeMismatch);
    EXPECT_COM_ERROR(account->call("Deposit"), hr::kDispParamNotOptional);
}

TEST(DispatchRows, ObjectArgumentsAndResults) {
    auto account = std::make_shared<Account>();
    auto other = std::make_shared<Account>();
    EXPECT_EQ(account->get("Linked").asObject(), nullptr);  // Nothing, not Empty
    EXPECT_EQ(account->get("Linked").type(), VarType::Object);
    account->put("Linked", objectVariant(other));
    EXPECT_EQ(account->linked(), other);
    EXPECT_EQ(account->get("Linked").asObject(), other);
    account->put("Linked", Variant());
    EXPECT_EQ(account->linked(), nullptr);
    auto view = std::make_shared<AccountView>(other);
    EXPECT_COM_ERROR(account->put("Linked", objectVariant(view)), hr::kTypeMismatch);
}

TEST(DispatchRows, ByReferenceArgumentsReachTheCaller) {
    auto account = std::make_shared<Account>();
    account->setOwner("Ann");
    std::vector<Variant> args{Variant("Bob")};
    account->Invoke(account->GetIDsOfNames("SwapOwner"), MemberKind::Method, args);
    EXPECT_EQ(args[0], Variant("Ann"));
    EXPECT_EQ(account->owner(), "Bob");
}

TEST(DispatchRows, CallablesOnTheArgumentsSeeOmittedOnesAsMissing) {
    auto account = std::make_shared<Account>();
    account->setOwner("Ann");
    EXPECT_EQ(account->call("Describe"), Variant("#Ann"));
    EXPECT_EQ(account->call("Describe", {Variant("Mrs ")}), Variant("Mrs Ann"));
}

TEST(DispatchRows, ATargetFunctionLetsAnotherObjectAnswerForIt) {
    auto account = std::make_shared<Account>();
    account->setBalance(12);
    auto view = std::make_shared<AccountView>(account);
    EXPECT_EQ(view->get("Balance"), Variant(int32_t{12}));
    view->call("Close");
    EXPECT_EQ(account->balance(), 0);
    EXPECT_EQ(view->dispatchTable().interfaceName(), "IAccountView");
}

TEST(DispatchRows, RowsInDeclarationOrderWithTheirKinds) {
    auto members = DispatchRows<Account>()
                       .let("Balance", 1, VarType::Long, &Account::setBalance)
                       .get("Balance", 1, VarType::Long, &Account::balance)
                       .set("Linked", 5, &Account::setLinked)
                       .members();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0].kind, MemberKind::PropertyLet);
    EXPECT_EQ(members[0].params.size(), 1u);
    EXPECT_EQ(members[0].params[0].name, "RHS");
    EXPECT_EQ(members[1].kind, MemberKind::PropertyGet);
    EXPECT_EQ(members[1].result, VarType::Long);
    EXPECT_EQ(members[2].kind, MemberKind::PropertySet);
    EXPECT_EQ(members[2].params[0].type, VarType::Object);
}

TEST(DispatchRows, ARowWhoseParametersDoNotMatchItsFunctionIsRefused) {
    DispatchRows<Account> rows("IAccount");
    try {
        rows.method("Deposit", 3, {{"amount", VarType::Long}}, VarType::Boolean, &Account::deposit);
        FAIL() << "a row with one parameter was accepted for a function of three";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), hr::kInvalidArg);
        EXPECT_STREQ(e.what(), "IAccount.Deposit: the implementation takes 3 argument(s), the row declares 1");
    }
    EXPECT_COM_ERROR(rows.get("Balance", 1, VarType::Long, &Account::balance, {{"index", VarType::Long}}),
                     hr::kInvalidArg);
    // Arguments the function could not take would fail only when a client calls it.
    EXPECT_COM_ERROR(rows.let("Balance", 1, VarType::String, &Account::setBalance), hr::kInvalidArg);
    EXPECT_COM_ERROR(rows.method("Deposit", 3,
                                 {{"amount", VarType::Long}, optionalParam("memo", VarType::String),
                                  optionalParam("receipt", VarType::Boolean, Variant(true))},
                                 VarType::Boolean, &Account::deposit),
                     hr::kInvalidArg);
    EXPECT_TRUE(rows.members().empty());
}

}  // namespace
}  // namespace tavlora::com
