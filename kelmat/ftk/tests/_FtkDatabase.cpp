// The toolkit is internal to libkelmat (only Kelmat_ names leave it), so the
// toolkit tests build their own copy of it.
#include "kelmat/ftk/FtkDatabase.cpp"
