#include "res/string_table.h"

const StringResource kStringTable[] = {
    {606, u"General error #%d!"},
    {650, u"Error"},
};
const std::size_t kStringTableSize = sizeof(kStringTable) / sizeof(kStringTable[0]);
