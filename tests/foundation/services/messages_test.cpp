#include "foundation/services/messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "foundation/text/string_lists.h"
#include "tests/support/message_recorder.h"

namespace vorl {
namespace {

using Strings = std::vector<std::string>;

std::string itemText(std::int16_t list, std::int16_t item) {
  Str255 text;
  EXPECT_TRUE(GetIndString(text, list, item)) << "list " << list << " lacks item " << item;
  return text.toUtf8();
}

std::string logLine(const std::string& text) { return "DisplayNormalMessage ERROR string: [" + text + "]"; }

// Runs `show`, answering what it returned; `messages` gets what the operator saw, `log` the standard error.
struct Shown {
  std::int16_t result = 0;
  Strings messages;
  std::string log;
};

Shown capture(const std::function<std::int16_t()>& show) {
  test::MessageRecorder recorder;
  testing::internal::CaptureStderr();
  Shown shown;
  shown.result = show();
  shown.log = testing::internal::GetCapturedStderr();
  shown.messages = recorder.messages();
  return shown;
}

TEST(OperatorMessage, CoreLogsThenShows) {
  const Shown shown = capture([] { return DisplayNormalMessagePascal(Str255("Cannot open the job file.")); });
  EXPECT_EQ(shown.result, kAlertOK);
  EXPECT_EQ(shown.messages, Strings{"Cannot open the job file."});
  EXPECT_NE(shown.log.find(logLine("Cannot open the job file.")), std::string::npos) << shown.log;
}

TEST(OperatorMessage, EveryFormShowsItsTextOnceWithTheLogLine) {
  const std::string text = "Disk full on volume Studio";
  const Str255 pascal = Str255::fromUtf8(text);
  const struct {
    const char* form;
    std::function<std::int16_t()> show;
  } cases[] = {
      {"newDisplayNormalMessage", [&] { return newDisplayNormalMessage(text.c_str()); }},
      {"DisplayNormalMessage(const char*)", [&] { return DisplayNormalMessage(text.c_str()); }},
      {"DisplayNormalMessage(Str255)", [&] { return DisplayNormalMessage(pascal); }},
      {"DisplayWarningMessage(text, 1)", [&] { return DisplayWarningMessage(pascal, 1); }},
      {"DisplayWarningMessage(text, -1)", [&] { return DisplayWarningMessage(pascal, -1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form);
    const Shown captured = capture(c.show);
    EXPECT_EQ(captured.result, kAlertOK);
    EXPECT_EQ(captured.messages, Strings{text});
    EXPECT_NE(captured.log.find(logLine(text)), std::string::npos) << captured.log;
  }
}

TEST(OperatorMessage, ByListAndItem) {
  const std::string expected = itemText(kFileErrorStrings, 21);
  for (const bool warning : {false, true}) {
    SCOPED_TRACE(warning ? "DisplayWarningMessage" : "DisplayNormalMessage");
    const Shown shown = capture([&] {
      return warning ? DisplayWarningMessage(kFileErrorStrings, 21) : DisplayNormalMessage(kFileErrorStrings, 21);
    });
    EXPECT_EQ(shown.result, kAlertOK);
    EXPECT_EQ(shown.messages, Strings{expected});
    EXPECT_NE(shown.log.find(logLine(expected)), std::string::npos) << shown.log;
  }
}

TEST(OperatorMessage, MissingItemNamesListAndItem) {
  const struct {
    std::int16_t list, item;
    const char* expected;
  } cases[] = {
      {kFileErrorStrings, 999, "Message 4100/999"},
      {kFileErrorStrings, 0, "Message 4100/0"},
      {kMemoryErrorStrings, -1, "Message 4102/-1"},
      {0, 1, "Message 0/1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    const Shown shown = capture([&] { return DisplayNormalMessage(c.list, c.item); });
    EXPECT_EQ(shown.messages, Strings{c.expected});
    EXPECT_NE(shown.log.find(logLine(c.expected)), std::string::npos) << shown.log;
  }
}

TEST(OperatorMessage, WarningsThatShowNothing) {
  const Str255 text("should stay quiet");
  for (const bool oneArgument : {true, false}) {
    SCOPED_TRACE(oneArgument ? "DisplayWarningMessage(text)" : "DisplayWarningMessage(text, 0)");
    const Shown shown =
        capture([&] { return oneArgument ? DisplayWarningMessage(text) : DisplayWarningMessage(text, 0); });
    EXPECT_EQ(shown.result, 0);
    EXPECT_TRUE(shown.messages.empty());
    EXPECT_EQ(shown.log.find("should stay quiet"), std::string::npos) << shown.log;
  }
}

TEST(OperatorMessage, ForceAlwaysShowsWithoutTheLogLine) {
  const Shown shown = capture([] { return DisplayNormalMessageForceAlways(Str255("Printer offline")); });
  EXPECT_EQ(shown.result, kAlertOK);
  EXPECT_EQ(shown.messages, Strings{"Printer offline"});
  EXPECT_EQ(shown.log.find("DisplayNormalMessage ERROR string"), std::string::npos) << shown.log;
}

TEST(OperatorMessage, LongTextIsCutTo255Characters) {
  const std::string text = std::string(250, 'a') + "0123456789";
  const Shown shown = capture([&] { return newDisplayNormalMessage(text.c_str()); });
  EXPECT_EQ(shown.messages, Strings{text.substr(0, 255)});
}

TEST(OperatorMessage, TextKeepsItsAccentedCharacters) {
  // Passes through Mac Roman and back: every character here has a Mac Roman form.
  const std::string text = "Caf\u00E9 \u00C4rger \u0192 \u2014 fertig";
  const Shown shown = capture([&] { return DisplayNormalMessage(text.c_str()); });
  EXPECT_EQ(shown.messages, Strings{text});
  EXPECT_NE(shown.log.find(logLine(text)), std::string::npos) << shown.log;
}

TEST(OperatorMessage, BeepGoesToTheSink) {
  test::MessageRecorder recorder;
  SysBeep(2);
  SysBeep(2);
  EXPECT_EQ(recorder.beeps(), 2);
  EXPECT_TRUE(recorder.messages().empty());
}

TEST(OperatorMessage, WithoutASinkTheMessageIsLogged) {
  setMessageSink(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(DisplayNormalMessageForceAlways(Str255("nobody is watching")), kAlertOK);
  SysBeep(1);  // nothing to beep with; must not fail
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("nobody is watching"), std::string::npos) << log;
}

TEST(MessageLists, EveryItemTheErrorTablesNameHasItsOwnText) {
  const struct {
    std::int16_t list, first, last;
    std::vector<std::int16_t> others;
  } lists[] = {
      {kFileErrorStrings, 14, 32, {9}},
      {kMemoryErrorStrings, 5, 16, {}},
  };
  for (const auto& l : lists) {
    std::vector<std::int16_t> items = l.others;
    for (std::int16_t item = l.first; item <= l.last; ++item) items.push_back(item);
    std::set<std::string> texts;
    for (const std::int16_t item : items) {
      SCOPED_TRACE(testing::Message() << l.list << "/" << item);
      Str255 text;
      ASSERT_TRUE(GetIndString(text, l.list, item));
      EXPECT_FALSE(text.empty());
      EXPECT_TRUE(texts.insert(text.toUtf8()).second) << "same text as another item: " << text.toUtf8();
    }
  }
}

TEST(MessageLists, MissingItemGivesAnEmptyString) {
  Str255 text("previous");
  EXPECT_FALSE(GetIndString(text, kFileErrorStrings, 999));
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(GetIndString(text, kMemoryErrorStrings, 0));
  EXPECT_FALSE(GetIndString(text, 0, 1));
}

}  // namespace
}  // namespace vorl
