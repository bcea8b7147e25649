#include <gtest/gtest.h>

#include <string>

#include "kelmat/ftk/FtkError.h"

using namespace ftk;

TEST(FtkErrors, ClearRecordAndCodeZero) {
  ClearErrors();
  EXPECT_FALSE(ErrorPending());
  PushError(NO_FTK_ERRORS);
  EXPECT_FALSE(ErrorPending());
  EXPECT_EQ(ErrorCount(), 0);
  PushError(ERR_READING_FILE);
  PushError(ERR_CREATING_DATABASE);
  EXPECT_TRUE(ErrorPending());
  ASSERT_EQ(ErrorCount(), 2);
  EXPECT_EQ(GetError(0).code, ERR_READING_FILE);
  EXPECT_STREQ(GetError(1).text, "ERR_CREATING_DATABASE: Error occured while creating database");
  EXPECT_EQ(GetError(5).code, NO_FTK_ERRORS);
  ClearErrors();
  EXPECT_FALSE(ErrorPending());
  EXPECT_EQ(ErrorCount(), 0);
}

TEST(FtkErrors, OverflowEntryThenNErrors) {
  ClearErrors();
  for (int i = 0; i < kErrorListSize; ++i) PushError(ERR_INVALID_ARG);
  EXPECT_EQ(ErrorCount(), 19);
  PushError(ERR_NO_MEM);
  ASSERT_EQ(ErrorCount(), 20);
  EXPECT_EQ(GetError(19).code, ERR_NO_MEM);
  PushError(ERR_READING_FILE);
  PushError(ERR_READING_FILE);
  EXPECT_EQ(ErrorCount(), 20);
  EXPECT_EQ(GetError(19).code, N_ERRORS);
  EXPECT_EQ(GetError(18).code, ERR_INVALID_ARG);
  ClearErrors();
}

TEST(FtkErrors, FixedTexts) {
  EXPECT_STREQ(ErrorText(0), "NO_FTK_ERRORS: No errors are pending");
  EXPECT_STREQ(ErrorText(19),
               "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files.");
  EXPECT_STREQ(ErrorText(22), "N_ERRORS: More errors were reported then could be recorded.");
  EXPECT_STREQ(ErrorText(20), "Unknown error code was encountered");
  EXPECT_STREQ(ErrorText(-3), "Unknown error code was encountered");
  // Every known code has its own text that starts with its symbolic name.
  const char* names[] = {"NO_FTK_ERRORS",        "ERR_NO_MEM",          "ERR_INVALID_ARG",
                         "ERR_INVALID_DATA",     "ERR_INVALID_CHUNK",   "ERR_INVALID_DATABASE",
                         "ERR_WRONG_DATABASE",   "ERR_UNFOUND_CHUNK",   "ERR_WRONG_OBJECT",
                         "ERR_NO_SUCH_FILE",     "ERR_INIT_FAILED",     "ERR_OPENING_FILE",
                         "ERR_CLOSING_FILE",     "ERR_READING_FILE",    "ERR_CREATING_DATABASE",
                         "ERR_READING_DATABASE", "ERR_WRITING_DATABASE", "ERR_WRITING_FILE",
                         "ERR_STRING_TOO_LONG",  "ERR_TOO_MANY_FILES"};
  for (int code = 0; code <= 19; ++code) {
    std::string text = ErrorText(code);
    EXPECT_EQ(text.rfind(std::string(names[code]) + ": ", 0), 0u) << code;
  }
}
