// What a file's name says about its format.
#ifndef ZORL_IMAGES_FILE_NAMES_H
#define ZORL_IMAGES_FILE_NAMES_H

#include <string>

namespace zorl {

// The extension of the last part of a path, in lower case ("" for none):
// "png" for "a/b.PNG".
std::string Extension(const std::string& path);

}  // namespace zorl

#endif
