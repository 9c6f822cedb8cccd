// The system language natively: LC_ALL, then LC_MESSAGES, then LANG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/language.h"

namespace {

class SystemLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::string(value) : std::string("\x01"));
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < 3; i++) {
      if (saved_[i] == "\x01") {
        unsetenv(kNames[i]);
      } else {
        setenv(kNames[i], saved_[i].c_str(), 1);
      }
    }
    loadLanguage(u"en");
  }
  static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::string> saved_;
};

TEST_F(SystemLocale, VariablesInTheirOrderAndTheLanguageTheyGive) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char16_t* locale;
    const char16_t* loaded;
  } cases[] = {
      {nullptr, nullptr, "de_DE.UTF-8", u"de-DE", u"de"},
      {nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", u"fr-FR", u"fr"},
      {"ru_RU.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8", u"ru-RU", u"ru"},
      {"", nullptr, "pl_PL", u"pl-PL", u"pl"},              // an empty variable is skipped
      {nullptr, nullptr, "zh_TW.UTF-8", u"zh-TW", u"en"},   // Traditional Chinese: English
      {nullptr, nullptr, "zh_CN.UTF-8", u"zh-CN", u"zh"},
      {nullptr, nullptr, "sr_RS@latin", u"sr-RS", u"en"},   // no such language in the pack
      {nullptr, nullptr, "C", u"en", u"en"},
      {nullptr, nullptr, "POSIX", u"en", u"en"},
      {nullptr, nullptr, nullptr, u"en", u"en"},
  };
  for (const Case& c : cases) {
    const char* values[3] = {c.lcAll, c.lcMessages, c.lang};
    for (int i = 0; i < 3; i++) {
      if (values[i]) {
        setenv(kNames[i], values[i], 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
    EXPECT_EQ(systemLocaleName(), c.locale) << (c.lang ? c.lang : "(none)");
    loadLanguage(u"");
    EXPECT_EQ(languageCode(), c.loaded) << (c.lang ? c.lang : "(none)");
  }
}

}  // namespace
