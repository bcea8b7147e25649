// No exception leaves an export: guard() runs the body and turns a refused allocation (or any
// other exception) into the last error and the failure value.
#pragma once

#include <new>

#include "zelt/Kernel.h"

namespace zelt {

template <class R, class F>
R guard(R failure, F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    setError(ZELT_ERR_MEMORY);
  } catch (...) {
    setError(ZELT_ERR_ARGUMENT);
  }
  return failure;
}

template <class F>
void guardVoid(F&& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    setError(ZELT_ERR_MEMORY);
  } catch (...) {
    setError(ZELT_ERR_ARGUMENT);
  }
}

}  // namespace zelt
