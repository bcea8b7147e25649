#include "kelmat/ftk/FtkError.h"

namespace ftk {
namespace {

struct ErrorState {
  int codes[kErrorListSize + 1] = {};
  int count = 0;  // entries used, overflow entry included
  bool pending = false;
};

ErrorState& State() {
  static ErrorState state;
  return state;
}

}  // namespace

const char* ErrorText(int code) {
  switch (code) {
    case NO_FTK_ERRORS: return "NO_FTK_ERRORS: No errors are pending";
    case ERR_NO_MEM: return "ERR_NO_MEM: Not enough memory to complete operation";
    case ERR_INVALID_ARG:
      return "ERR_INVALID_ARG: The argument passed to the function is invalid.  Usually caused by a "
             "NULL pointer or an out of range numeric argument.";
    case ERR_INVALID_DATA:
      return "ERR_INVALID_DATA: The structure passed as an argument to the function has invalid or "
             "out of range data in its fields.";
    case ERR_INVALID_CHUNK:
      return "ERR_INVALID_CHUNK: An invalid chunk structure was encountered while reading the "
             "database. Usually caused by a corrupt database or file";
    case ERR_INVALID_DATABASE:
      return "ERR_INVALID_DATABASE: The database passed as an argument has not be created yet.";
    case ERR_WRONG_DATABASE:
      return "ERR_WRONG_DATABASE: The database passed as an argument is the wrong kind of database "
             "for this function.";
    case ERR_UNFOUND_CHUNK:
      return "ERR_UNFOUND_CHUNK: The database is missing important file chunks needed to fill out "
             "the requested structure.  Usually caused by a corrupt database or file";
    case ERR_WRONG_OBJECT:
      return "ERR_WRONG_OBJECT: The name passed to the functions exists, but is not the type of "
             "object asked for.  For example, asking for a mesh object with the GetCameraByName3ds "
             "function.";
    case ERR_NO_SUCH_FILE:
      return "ERR_NO_SUCH_FILE: The filename passed as an argument for reading does not exist";
    case ERR_INIT_FAILED:
      return "ERR_INIT_FAILED: Failed to initialize structure passed as an argument";
    case ERR_OPENING_FILE: return "ERR_OPENING_FILE: Could not open requested file";
    case ERR_CLOSING_FILE: return "ERR_CLOSING_FILE: Could not close requested file";
    case ERR_READING_FILE: return "ERR_READING_FILE: Error occured while reading file";
    case ERR_CREATING_DATABASE:
      return "ERR_CREATING_DATABASE: Error occured while creating database";
    case ERR_READING_DATABASE: return "ERR_READING_DATABASE: Error occured while reading database";
    case ERR_WRITING_DATABASE: return "ERR_WRITING_DATABASE: Error occured while writing database";
    case ERR_WRITING_FILE: return "ERR_WRITING_FILE: Error occured while writing file";
    case ERR_STRING_TOO_LONG:
      return "ERR_STRING_TOO_LONG: String encountered in file, structure, or as an argument was "
             "longer than expected.  Possibly caused by an uninitialed pointer, corrupt file or "
             "database";
    case ERR_TOO_MANY_FILES:
      return "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files.";
    case N_ERRORS: return "N_ERRORS: More errors were reported then could be recorded.";
    default: return "Unknown error code was encountered";
  }
}

void ClearErrors() {
  ErrorState& s = State();
  s = ErrorState{};
}

void PushError(int code) {
  if (code == NO_FTK_ERRORS) return;
  ErrorState& s = State();
  s.pending = true;
  if (s.count < kErrorListSize) {
    s.codes[s.count++] = code;
  } else if (s.count == kErrorListSize) {
    s.codes[s.count++] = code;  // overflow entry
  } else {
    s.codes[kErrorListSize] = N_ERRORS;
  }
}

bool ErrorPending() { return State().pending; }

int ErrorCount() { return State().count; }

ErrorRecord GetError(int i) {
  const ErrorState& s = State();
  if (i < 0 || i >= s.count) return {NO_FTK_ERRORS, ErrorText(NO_FTK_ERRORS)};
  return {s.codes[i], ErrorText(s.codes[i])};
}

}  // namespace ftk
