// Error list of the 3D Studio file toolkit: a short process-wide list of
// {code, text} records with a pending flag. A toolkit operation records an
// error and stops; callers look at the list afterwards.
#ifndef KELMAT_FTK_FTKERROR_H
#define KELMAT_FTK_FTKERROR_H

namespace ftk {

enum ErrorCode : int {
  NO_FTK_ERRORS = 0,
  ERR_NO_MEM = 1,
  ERR_INVALID_ARG = 2,
  ERR_INVALID_DATA = 3,
  ERR_INVALID_CHUNK = 4,
  ERR_INVALID_DATABASE = 5,
  ERR_WRONG_DATABASE = 6,
  ERR_UNFOUND_CHUNK = 7,
  ERR_WRONG_OBJECT = 8,
  ERR_NO_SUCH_FILE = 9,
  ERR_INIT_FAILED = 10,
  ERR_OPENING_FILE = 11,
  ERR_CLOSING_FILE = 12,
  ERR_READING_FILE = 13,
  ERR_CREATING_DATABASE = 14,
  ERR_READING_DATABASE = 15,
  ERR_WRITING_DATABASE = 16,
  ERR_WRITING_FILE = 17,
  ERR_STRING_TOO_LONG = 18,
  ERR_TOO_MANY_FILES = 19,
  N_ERRORS = 22,
};

// Regular entries of the list; one more overflow entry follows them.
constexpr int kErrorListSize = 19;

struct ErrorRecord {
  int code;
  const char* text;
};

// Empties the list and clears the pending flag.
void ClearErrors();
// Records an error (code 0 records nothing). When the list is full the first
// further error takes the overflow entry, any later one turns it into N_ERRORS.
void PushError(int code);
bool ErrorPending();
// Number of entries in use, the overflow entry included.
int ErrorCount();
// Entry i (0-based); {0, text of 0} when i is out of range.
ErrorRecord GetError(int i);
// The fixed text of a code.
const char* ErrorText(int code);

}  // namespace ftk

#endif
