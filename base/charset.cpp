#include "base/charset.hpp"
