#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/Automation.h"
#include "automation/RunningObjectTable.h"
#include "support/FakeAcadServer.h"
#include "support/FakeAutomationHost.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace docvane {
namespace {

// An object with the members "Known" and "Fails" that records what reaches it.
class ProbeObject : public Dispatch {
  public:
    DispatchStatus GetIDsOfNames(const std::string& name, std::uint32_t locale,
                                 std::int32_t& dispid) override {
        lookups.push_back(name);
        lookupLocale = locale;
        if (name == "Known") {
            dispid = 7;
            return kDispatchOk;
        }
        if (name == "Fails") {
            dispid = 8;
            return kDispatchOk;
        }
        return kDispatchUnknownName;
    }
    DispatchStatus Invoke(std::int32_t dispid, std::uint32_t locale, InvokeKind kind,
                          const DispatchParams& params, AutomationValue* result) override {
        ++invokes;
        invokeLocale = locale;
        lastKind = kind;
        last = params;
        wantedResult = result != nullptr;
        if (dispid == 8) {
            return kDispatchException;
        }
        if (result != nullptr) {
            *result = AutomationValue::Int(42);
        }
        return kDispatchOk;
    }

    std::vector<std::string> lookups;
    std::uint32_t lookupLocale = 0;
    std::uint32_t invokeLocale = 0;
    int invokes = 0;
    InvokeKind lastKind = InvokeKind::Method;
    DispatchParams last;
    bool wantedResult = false;
};

TEST(AutomationDispatchTest, ArgumentsArriveReversedWithTheTwoLocales) {
    auto probe = std::make_shared<ProbeObject>();
    const AutomationObject object(probe);
    EXPECT_TRUE(
        CallMethodChecked(object, "Known", {TextArgument("BACKGROUNDPLOT"), AutomationValue::Int(0)}));
    EXPECT_EQ(probe->lookupLocale, kLocaleUserDefault);
    EXPECT_EQ(probe->invokeLocale, kLocaleSystemDefault);
    EXPECT_EQ(probe->lastKind, InvokeKind::Method);
    EXPECT_FALSE(probe->wantedResult);
    ASSERT_EQ(probe->last.args.size(), 2u);
    EXPECT_EQ(probe->last.args[1].AsText(), "BACKGROUNDPLOT");
    EXPECT_EQ(probe->last.args[0].AsInt(), 0);
    EXPECT_THAT(probe->last.namedArgs, IsEmpty());

    EXPECT_EQ(CallMethod(object, "Known").AsInt(), 42);
    EXPECT_TRUE(probe->wantedResult);
    EXPECT_EQ(GetPropertyAt(object, "Known", 3).AsInt(), 42);
    EXPECT_EQ(probe->lastKind, InvokeKind::PropertyGet);
    ASSERT_EQ(probe->last.args.size(), 1u);
    EXPECT_EQ(probe->last.args[0].AsInt(), 3);
}

TEST(AutomationDispatchTest, APutCarriesOneArgumentAndThePutNamedArgument) {
    auto probe = std::make_shared<ProbeObject>();
    EXPECT_TRUE(PutProperty(AutomationObject(probe), "Known", TextArgument("./Refs/base.dwg")));
    EXPECT_EQ(probe->lastKind, InvokeKind::PropertyPut);
    ASSERT_EQ(probe->last.args.size(), 1u);
    EXPECT_EQ(probe->last.args[0].AsText(), "./Refs/base.dwg");
    EXPECT_THAT(probe->last.namedArgs, ElementsAre(kDispidPropertyPut));
}

TEST(AutomationDispatchTest, FailuresAreQuietEmptyValues) {
    auto probe = std::make_shared<ProbeObject>();
    const AutomationObject object(probe);
    EXPECT_TRUE(GetProperty(object, "Missing").IsEmpty());
    EXPECT_EQ(probe->invokes, 0);  // a failed look-up invokes nothing
    EXPECT_TRUE(GetProperty(object, "Fails").IsEmpty());
    EXPECT_FALSE(CallMethodChecked(object, "Fails"));

    const AutomationObject none;
    EXPECT_TRUE(GetProperty(none, "Count").IsEmpty());
    EXPECT_EQ(GetProperty(none, "Count").AsInt(), 0);
    EXPECT_FALSE(GetProperty(none, "IsQuiescent").AsFlag());
    EXPECT_TRUE(GetProperty(none, "Documents").AsObject().IsNull());
    EXPECT_FALSE(CallMethodChecked(none, "Quit"));
    EXPECT_FALSE(PutProperty(none, "Path", TextArgument("x")));
}

TEST(AutomationDispatchTest, ValuesBecomeTextOrRaise) {
    EXPECT_EQ(ValueToText(AutomationValue::Int(-17)), "-17");
    EXPECT_EQ(ValueToText(AutomationValue::Text("1F3")), "1F3");
    EXPECT_EQ(ValueToText(AutomationValue::Double(2.5)), "2.5");
    EXPECT_EQ(ValueToText(AutomationValue()), "");
    EXPECT_THROW(ValueToText(AutomationValue::Omitted()), AutomationError);
    EXPECT_THROW(ValueToText(AutomationValue::Object(AutomationObject(std::make_shared<ProbeObject>()))),
                 AutomationError);
}

TEST(FindRunningObjectTest, FindsTheObjectWithTheExactName) {
    test::FakeRunningObjectTable table;
    auto lower = test::FakeAcadServer::Create();
    lower->name = "autocad";
    auto match = test::FakeAcadServer::Create();
    auto probe = std::make_shared<ProbeObject>();
    table.Register(std::nullopt, match->Application());  // no display name: skipped
    table.Register("probe", AutomationObject(probe));    // no Name member
    table.Register("null", AutomationObject());
    table.Register("lower", lower->Application());
    EXPECT_TRUE(FindRunningObject("AutoCAD", "Application").IsNull());

    table.Register("match", match->Application());
    const AutomationObject found = FindRunningObject("AutoCAD", "Application");
    ASSERT_FALSE(found.IsNull());
    EXPECT_EQ(GetProperty(found, "FullName").AsText(), "/opt/autodesk/acad");
    EXPECT_THAT(match->Trace(),
                ElementsAre("Application.Name", "Application.Application", "Application.FullName"));
    // The property must exist for a match.
    EXPECT_TRUE(FindRunningObject("AutoCAD", "NoSuchMember").IsNull());
    EXPECT_TRUE(FindRunningObject("", "Application").IsNull());
}

}  // namespace
}  // namespace docvane
