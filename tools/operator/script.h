// Reading an operator script: one step per line, '#' comments, quoted arguments.
#pragma once

#include <string>
#include <vector>

struct Step {
    int line = 0;
    std::string text;              // the line as written, for messages
    std::string name;              // first word
    std::vector<std::string> args; // the rest, unquoted and with $VAR expanded
};

// Splits one line into words. Double quotes group words and know \n \r \t \" \\;
// single quotes group words literally. $NAME and ${NAME} outside single quotes take the
// environment variable's value. Returns false with a reason on an unclosed quote or an
// unknown variable.
bool split_line(const std::string& line, std::vector<std::string>& words, std::string& why);

// Reads all steps of a script text; blank and comment lines give no step.
bool parse_script(const std::string& text, std::vector<Step>& steps, std::string& why);
