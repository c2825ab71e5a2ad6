// UTF-8 to GBK (code page 936) for the texts of the application's
// description; the program carries GBK only.
#pragma once
#include <string>

// False when the text is not valid UTF-8 or has a character that GBK lacks.
bool Utf8ToGbk(const std::string& utf8, std::string* gbk);
