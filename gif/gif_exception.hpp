#pragma once
// The codec's one exception class, for the colour and DIB layer too.
#include "gif/gif_error.hpp"
