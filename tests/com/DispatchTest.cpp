#include "com/Dispatch.h"

#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "com/Conversions.h"

namespace tavlora::com {
namespace {

// A small automation class with one member for each dispatch feature.
class Gadget : public Dispatch {
public:
    const DispatchTable& dispatchTable() const override { return table(); }

    std::string name = "gadget";
    std::string target;
    ObjectPtr child;
    std::vector<Variant> items = {Variant(), Variant(), Variant()};
    int calls = 0;

    static constexpr DISPID kValue = 0;
    static constexpr DISPID kAdd = 1;
    static constexpr DISPID kName = 2;
    static constexpr DISPID kTarget = 3;
    static constexpr DISPID kSwap = 4;
    static constexpr DISPID kEcho16 = 5;
    static constexpr DISPID kFailAfterWrite = 6;
    static constexpr DISPID kItem = 7;
    static constexpr DISPID kUnwritten = 8;
    static constexpr DISPID kDescribe = 9;
    static constexpr DISPID kChild = 10;

private:
    static Gadget& self(Dispatch& d) { return static_cast<Gadget&>(d); }

    static const DispatchTable& table() {
        static const DispatchTable kTable("IGadget", members());
        return kTable;
    }

    static std::vector<MemberInfo> members() {
        std::vector<MemberInfo> m;
        m.push_back({"Value", kValue, MemberKind::PropertyGet, {}, VarType::String,
                     [](Dispatch& d, std::vector<Variant>&) { return Variant(self(d).name); }});
        m.push_back({"Add", kAdd, MemberKind::Method,
                     {{"a", VarType::Long}, {"b", VarType::Long, true, Variant(10)}}, VarType::Long,
                     [](Dispatch& d, std::vector<Variant>& args) {
                         ++self(d).calls;
                         return Variant(args[0].asInt32() + args[1].asInt32());
                     }});
        m.push_back({"Name", kName, MemberKind::PropertyGet, {}, VarType::String,
                     [](Dispatch& d, std::vector<Variant>&) { return Variant(self(d).name); }});
        m.push_back({"Name", kName, MemberKind::PropertyLet, {{"value", VarType::String}}, VarType::Empty,
                     [](Dispatch& d, std::vector<Variant>& args) {
                         self(d).name = args[0].asString();
                         return Variant("ignored");
                     }});
        m.push_back({"Target", kTarget, MemberKind::PropertyLet, {{"value", VarType::String}}, VarType::Empty,
                     [](Dispatch& d, std::vector<Variant>& args) {
                         self(d).target = "let " + args[0].asString();
                         return Variant();
                     }});
        m.push_back({"Target", kTarget, MemberKind::PropertySet, {{"value", VarType::Object}}, VarType::Empty,
                     [](Dispatch& d, std::vector<Variant>& args) {
                         self(d).target = args[0].asObject() ? "set object" : "set nothing";
                         return Variant();
                     }});
        m.push_back({"Swap", kSwap, MemberKind::Method,
                     {{"a", VarType::Any, false, {}, true}, {"b", VarType::Any, true, Variant(), true}},
                     VarType::Empty, [](Dispatch&, std::vector<Variant>& args) {
                         std::swap(args[0], args[1]);
                         return Variant();
                     }});
        m.push_back({"Echo16", kEcho16, MemberKind::Method, {{"x", VarType::Integer}}, VarType::Any,
                     [](Dispatch&, std::vector<Variant>& args) { return args[0]; }});
        m.push_back({"FailAfterWrite", kFailAfterWrite, MemberKind::Method,
                     {{"out", VarType::Long, false, {}, true}}, VarType::Empty,
                     [](Dispatch&, std::vector<Variant>& args) -> Variant {
                         args[0] = Variant(99);
                         throw Error(hr::kInvalidCall, "Invalid procedure call or argument");
                     }});
        m.push_back({"Item", kItem, MemberKind::PropertyGet, {{"index", VarType::Integer, true, Variant(0)}},
                     VarType::Any, [](Dispatch& d, std::vector<Variant>& args) {
                         return self(d).items.at(static_cast<size_t>(args[0].asInt16()));
                     }});
        m.push_back({"Item", kItem, MemberKind::PropertyLet,
                     {{"index", VarType::Integer, true, Variant(int16_t{0})}, {"value", VarType::Any}},
                     VarType::Empty, [](Dispatch& d, std::vector<Variant>& args) {
                         self(d).items.at(static_cast<size_t>(args[0].asInt16())) = args[1];
                         return Variant();
                     }});
        m.push_back({"Unwritten", kUnwritten, MemberKind::Method, {}, VarType::Empty, nullptr});
        m.push_back({"Describe", kDescribe, MemberKind::Method,
                     {{"flag", VarType::Boolean},
                      {"number", VarType::Double},
                      {"money", VarType::Currency},
                      {"when", VarType::Date},
                      {"text", VarType::String},
                      {"object", VarType::Object, true, Variant(ObjectPtr{})}},
                     VarType::String, [](Dispatch&, std::vector<Variant>& args) {
                         std::string out;
                         for (const Variant& arg : args) {
                             out += arg.type() == VarType::Object ? (arg.asObject() ? "object" : "nothing")
                                                                  : toText(arg);
                             out += '|';
                         }
                         return Variant(out);
                     }});
        m.push_back({"Child", kChild, MemberKind::PropertyGet, {}, VarType::Object,
                     [](Dispatch& d, std::vector<Variant>&) { return Variant(self(d).child); }});
        m.push_back({"Child", kChild, MemberKind::PropertySet, {{"value", VarType::Object}}, VarType::Empty,
                     [](Dispatch& d, std::vector<Variant>& args) {
                         self(d).child = args[0].asObject();
                         return Variant();
                     }});
        m.push_back({"Gr\xC3\xB6\xC3\x9F" "e", 11, MemberKind::PropertyGet, {}, VarType::Long,
                     [](Dispatch&, std::vector<Variant>&) { return Variant(7); }});
        return m;
    }
};

class DispatchTest : public ::testing::Test {
protected:
    std::shared_ptr<Gadget> gadget = std::make_shared<Gadget>();
};

// ---- Names and identifiers ---------------------------------------------------------------------

TEST_F(DispatchTest, NamesResolveIgnoringLetterCase) {
    EXPECT_EQ(gadget->GetIDsOfNames("Add"), Gadget::kAdd);
    EXPECT_EQ(gadget->GetIDsOfNames("aDD"), Gadget::kAdd);
    EXPECT_EQ(gadget->GetIDsOfNames("ITEM"), Gadget::kItem);
    EXPECT_EQ(gadget->GetIDsOfNames("gr\xC3\xB6\xC3\x9F" "E"), 11);  // non-ASCII name
    EXPECT_COM_ERROR(gadget->GetIDsOfNames("Subtract"), hr::kDispUnknownName);
    EXPECT_COM_ERROR(gadget->GetIDsOfNames(""), hr::kDispUnknownName);
    EXPECT_COM_ERROR(gadget->GetIDsOfNames(std::string(200, 'a')), hr::kDispUnknownName);
}

TEST_F(DispatchTest, UnknownIdentifierOrKindIsMemberNotFound) {
    std::vector<Variant> none;
    EXPECT_COM_ERROR(gadget->Invoke(1234, MemberKind::Method, none), hr::kDispMemberNotFound);
    EXPECT_COM_ERROR(gadget->Invoke(Gadget::kAdd, MemberKind::PropertyGet, none), hr::kDispMemberNotFound);
    EXPECT_COM_ERROR(gadget->Invoke(Gadget::kName, MemberKind::PropertySet, {Variant("x")}),
                     hr::kDispMemberNotFound);
    EXPECT_COM_ERROR(gadget->put("Add", Variant(1)), hr::kDispMemberNotFound);
}

TEST_F(DispatchTest, MemberWithoutImplementationIsNotImplemented) {
    EXPECT_COM_ERROR(gadget->call("Unwritten"), hr::kNotImplemented);
}

TEST(DispatchTable, RefusesAmbiguousDeclarations) {
    auto get = [](std::string name, DISPID id) {
        return MemberInfo{std::move(name), id, MemberKind::PropertyGet, {}, VarType::Any, nullptr};
    };
    EXPECT_COM_ERROR(DispatchTable("I", {get("A", 1), get("B", 1)}), hr::kInvalidArg);
    EXPECT_COM_ERROR(DispatchTable("I", {get("A", 1), get("a", 2)}), hr::kInvalidArg);
    EXPECT_COM_ERROR(DispatchTable("I", {MemberInfo{"A", 1, MemberKind::PropertyLet, {}, VarType::Empty, nullptr}}),
                     hr::kInvalidArg);
    EXPECT_COM_ERROR(DispatchTable("I", {MemberInfo{"A", 1, MemberKind::Method, {{"n", VarType::Integer, true, Variant("x")}},
                                                    VarType::Empty, nullptr}}),
                     hr::kInvalidArg);
    DispatchTable table("I", {get("A", 1), get("B", 2)});
    EXPECT_EQ(table.find(2, MemberKind::PropertyGet)->name, "B");
    EXPECT_EQ(table.find(2, MemberKind::Method), nullptr);
}

TEST(DispatchTable, GivesDefaultsTheDeclaredType) {
    DispatchTable table("I", {MemberInfo{"M", 1, MemberKind::Method,
                                         {{"count", VarType::Integer, true},
                                          {"text", VarType::String, true, Variant(2.5)},
                                          {"object", VarType::Object, true},
                                          {"any", VarType::Any, true},
                                          {"rest", VarType::Long, true, Variant::missing()}},
                                         VarType::Empty, nullptr}});
    const std::vector<ParamInfo>& params = table.find(1, MemberKind::Method)->params;
    EXPECT_EQ(params[0].defaultValue, Variant(int16_t{0}));
    EXPECT_EQ(params[1].defaultValue, Variant("2.5"));
    EXPECT_EQ(params[2].defaultValue, Variant(ObjectPtr{}));
    EXPECT_EQ(params[3].defaultValue, Variant());
    EXPECT_TRUE(params[4].defaultValue.isMissing());
}

// ---- Argument counts and defaults --------------------------------------------------------------

TEST_F(DispatchTest, OmittedOptionalArgumentsTakeTheirDefaults) {
    EXPECT_EQ(gadget->call("Add", {Variant(1), Variant(2)}), Variant(3));
    EXPECT_EQ(gadget->call("Add", {Variant(1)}), Variant(11));
    EXPECT_EQ(gadget->call("Add", {Variant(1), Variant::missing()}), Variant(11));
}

TEST_F(DispatchTest, CountErrorsStopBeforeTheImplementationRuns) {
    EXPECT_COM_ERROR(gadget->call("Add"), hr::kDispParamNotOptional);
    EXPECT_COM_ERROR(gadget->call("Add", {Variant::missing(), Variant(2)}), hr::kDispParamNotOptional);
    EXPECT_COM_ERROR(gadget->call("Add", {Variant(1), Variant(2), Variant(3)}), hr::kDispBadParamCount);
    EXPECT_EQ(gadget->calls, 0);
}

TEST_F(DispatchTest, ErrorMessagesNameTheMemberAndArgument) {
    try {
        gadget->call("Add");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "IGadget.Add: argument 1 (a) is not optional");
    }
    try {
        gadget->call("Echo16", {Variant("abc")});
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(),
                     "IGadget.Echo16: argument 1 (x): Type mismatch: the text \"abc\" cannot be converted to Integer");
    }
}

// ---- Coercion ----------------------------------------------------------------------------------

TEST_F(DispatchTest, ArgumentsAreCoercedToTheDeclaredTypes) {
    EXPECT_EQ(gadget->call("Echo16", {Variant(" 42 ")}), Variant(int16_t{42}));
    EXPECT_EQ(gadget->call("Echo16", {Variant(2.5)}), Variant(int16_t{2}));
    EXPECT_EQ(gadget->call("Echo16", {Variant(true)}), Variant(int16_t{-1}));
    EXPECT_EQ(gadget->call("Describe", {Variant("True"), Variant("1e3"), Variant(1.5), Variant("2024-03-15"),
                                        Variant(0.1 + 0.2)}),
              Variant("True|1000|1.5|2024-03-15|0.3|nothing|"));
    EXPECT_EQ(gadget->call("Describe", {Variant(), Variant(), Variant(), Variant(), Variant(), Variant()}),
              Variant("False|0|0|1899-12-30||nothing|"));
}

TEST_F(DispatchTest, ValuesThatDoNotFitOverflow) {
    EXPECT_COM_ERROR(gadget->call("Echo16", {Variant(32768)}), hr::kDispOverflow);
    EXPECT_COM_ERROR(gadget->call("Echo16", {Variant("32767.5")}), hr::kDispOverflow);
    EXPECT_EQ(gadget->call("Echo16", {Variant(-32768.5)}), Variant(int16_t{-32768}));
    EXPECT_COM_ERROR(gadget->call("Describe", {Variant(true), Variant(1), Variant(1e300), Variant(0), Variant("")}),
                     hr::kDispOverflow);
}

TEST_F(DispatchTest, ValuesThatCannotConvertAreTypeMismatches) {
    EXPECT_COM_ERROR(gadget->call("Echo16", {Variant("abc")}), hr::kDispTypeMismatch);
    EXPECT_COM_ERROR(gadget->call("Echo16", {Variant::null()}), hr::kDispTypeMismatch);
    EXPECT_COM_ERROR(gadget->call("Echo16", {Variant::array({Variant(1)})}), hr::kDispTypeMismatch);
    EXPECT_COM_ERROR(gadget->call("Echo16", {Variant(ObjectPtr{})}), hr::kDispTypeMismatch);
    EXPECT_COM_ERROR(gadget->call("Describe", {Variant("maybe"), Variant(1), Variant(1), Variant(0), Variant("")}),
                     hr::kDispTypeMismatch);
    EXPECT_COM_ERROR(gadget->call("Describe",
                                  {Variant(true), Variant(1), Variant(1), Variant(0), Variant(""), Variant("obj")}),
                     hr::kDispTypeMismatch);
}

TEST_F(DispatchTest, ObjectsConvertThroughTheirDefaultValue) {
    auto other = std::make_shared<Gadget>();
    other->name = "12";
    EXPECT_EQ(gadget->call("Echo16", {Variant(ObjectPtr(other))}), Variant(int16_t{12}));
    EXPECT_EQ(toText(Variant(ObjectPtr(other))), "12");
}

TEST(CoerceArgument, AnyPassesThroughAndObjectAcceptsNothing) {
    Variant array = Variant::array({Variant(1)});
    EXPECT_EQ(coerceArgument(array, VarType::Any), array);
    EXPECT_EQ(coerceArgument(Variant::null(), VarType::Any), Variant::null());
    EXPECT_EQ(coerceArgument(Variant(), VarType::Object), Variant(ObjectPtr{}));
    EXPECT_EQ(coerceArgument(Variant(ObjectPtr{}), VarType::Object), Variant(ObjectPtr{}));
    EXPECT_COM_ERROR(coerceArgument(Variant::null(), VarType::Object), hr::kDispTypeMismatch);
    EXPECT_COM_ERROR(coerceArgument(Variant(1), VarType::Array), hr::kDispTypeMismatch);
    EXPECT_EQ(coerceArgument(Variant(int16_t{7}), VarType::Double), Variant(7.0));
    EXPECT_EQ(coerceArgument(Variant(7.25), VarType::String), Variant("7.25"));
    EXPECT_EQ(coerceArgument(Variant("1.5"), VarType::Currency), Variant::currency(15000));
    EXPECT_COM_ERROR(coerceArgument(Variant::null(), VarType::String), hr::kDispTypeMismatch);
}

// ---- By-reference arguments --------------------------------------------------------------------

TEST_F(DispatchTest, ByRefArgumentsAreWrittenBack) {
    std::vector<Variant> args{Variant(1), Variant("two")};
    gadget->Invoke(Gadget::kSwap, MemberKind::Method, args);
    EXPECT_EQ(args[0], Variant("two"));
    EXPECT_EQ(args[1], Variant(1));
}

TEST_F(DispatchTest, OmittedByRefArgumentsHaveNothingToWriteBackTo) {
    std::vector<Variant> args{Variant(1)};
    gadget->Invoke(Gadget::kSwap, MemberKind::Method, args);
    ASSERT_EQ(args.size(), 1u);
    EXPECT_EQ(args[0], Variant());

    std::vector<Variant> withMissing{Variant(1), Variant::missing()};
    gadget->Invoke(Gadget::kSwap, MemberKind::Method, withMissing);
    EXPECT_EQ(withMissing[0], Variant());
    EXPECT_TRUE(withMissing[1].isMissing());
}

TEST_F(DispatchTest, ByRefWritesReachTheCallerEvenWhenTheMemberFails) {
    std::vector<Variant> args{Variant(1)};
    EXPECT_COM_ERROR(gadget->Invoke(Gadget::kFailAfterWrite, MemberKind::Method, args), hr::kInvalidCall);
    EXPECT_EQ(args[0], Variant(99));
}

TEST_F(DispatchTest, ByValueArgumentsAreNotChanged) {
    std::vector<Variant> args{Variant("5"), Variant(2.0)};
    EXPECT_EQ(gadget->Invoke(Gadget::kAdd, MemberKind::Method, args), Variant(7));
    EXPECT_EQ(args[0], Variant("5"));
    EXPECT_EQ(args[1], Variant(2.0));
}

TEST_F(DispatchTest, GivenArgumentsFollowTheSameRules) {
    EXPECT_EQ(gadget->Invoke(Gadget::kAdd, MemberKind::Method, {Variant("5")}), Variant(15));
    EXPECT_EQ(gadget->Invoke(Gadget::kEcho16, MemberKind::Method, {Variant(2.5)}), Variant(int16_t{2}));
    EXPECT_COM_ERROR(gadget->Invoke(Gadget::kEcho16, MemberKind::Method, {Variant(1e6)}), hr::kDispOverflow);
    EXPECT_COM_ERROR(gadget->Invoke(Gadget::kAdd, MemberKind::Method, {Variant(1), Variant(2), Variant(3)}),
                     hr::kDispBadParamCount);
    gadget->Invoke(Gadget::kItem, MemberKind::PropertyLet, {Variant(1.0), Variant("one")});
    EXPECT_EQ(gadget->items[1], Variant("one"));
    gadget->Invoke(Gadget::kItem, MemberKind::PropertyLet, {Variant("naught")});
    EXPECT_EQ(gadget->items[0], Variant("naught"));
}

// ---- Properties --------------------------------------------------------------------------------

TEST_F(DispatchTest, PropertyGetAndLet) {
    EXPECT_EQ(gadget->get("name"), Variant("gadget"));
    gadget->put("NAME", Variant(12.5));
    EXPECT_EQ(gadget->name, "12.5");
    EXPECT_EQ(gadget->call("Name"), Variant("12.5"));
}

TEST_F(DispatchTest, ALetWithoutResultAnswersEmpty) {
    EXPECT_EQ(gadget->Invoke(Gadget::kName, MemberKind::PropertyLet, {Variant("x")}), Variant());
}

TEST_F(DispatchTest, PutChoosesSetForObjectsAndLetForValues) {
    gadget->put("Target", Variant("plain"));
    EXPECT_EQ(gadget->target, "let plain");
    gadget->put("Target", Variant(ObjectPtr(std::make_shared<Gadget>())));
    EXPECT_EQ(gadget->target, "set object");
    gadget->put("Target", Variant(ObjectPtr{}));
    EXPECT_EQ(gadget->target, "set nothing");
}

TEST_F(DispatchTest, PropertySetOnlyMemberAcceptsObjectsAndNothing) {
    auto other = std::make_shared<Gadget>();
    gadget->put("Child", Variant(ObjectPtr(other)));
    EXPECT_EQ(gadget->get("Child"), Variant(ObjectPtr(other)));
    EXPECT_NE(gadget->get("Child"), Variant(ObjectPtr(std::make_shared<Gadget>())));
    gadget->put("Child", Variant());
    EXPECT_EQ(gadget->child, nullptr);
    EXPECT_COM_ERROR(gadget->put("Child", Variant(3)), hr::kDispTypeMismatch);
}

TEST_F(DispatchTest, IndexedPropertiesTakeTheNewValueLast) {
    gadget->put("Item", {Variant(2)}, Variant("two"));
    EXPECT_EQ(gadget->items[2], Variant("two"));
    EXPECT_EQ(gadget->get("Item", {Variant(int16_t{2})}), Variant("two"));

    // The index is optional: the value alone still lands in the value parameter.
    gadget->put("Item", Variant("zero"));
    EXPECT_EQ(gadget->items[0], Variant("zero"));
    EXPECT_EQ(gadget->get("Item"), Variant("zero"));

    EXPECT_COM_ERROR(gadget->Invoke(Gadget::kItem, MemberKind::PropertyLet, std::vector<Variant>{}),
                     hr::kDispParamNotOptional);
    EXPECT_COM_ERROR(gadget->put("Item", {Variant(1), Variant(2)}, Variant("x")), hr::kDispBadParamCount);
}

}  // namespace
}  // namespace tavlora::com
