#include "i18n/TextKeys.h"

const std::vector<TextKey> &AllTextKeys()
{
#define KELO_LIST_TEXT_KEY(name, text) TextKeys::name,
    static const std::vector<TextKey> keys = {KELO_TEXT_KEYS(KELO_LIST_TEXT_KEY)};
#undef KELO_LIST_TEXT_KEY
    return keys;
}
