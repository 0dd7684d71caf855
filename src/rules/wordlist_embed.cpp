// The built-in word list, pulled into the object file by the assembler rather
// than compiled as a multi-megabyte array.
#include "rules/mydict.h"

#ifndef ZINDLE_WORDLIST_PATH
#error "ZINDLE_WORDLIST_PATH must name the generated record file"
#endif

__asm__(
    ".pushsection .rodata.zindle_wordlist, \"a\", @progbits\n"
    ".balign 16\n"
    ".globl zindle_wordlist_begin\n"
    ".hidden zindle_wordlist_begin\n"
    "zindle_wordlist_begin:\n"
    ".incbin \"" ZINDLE_WORDLIST_PATH
    "\"\n"
    ".globl zindle_wordlist_end\n"
    ".hidden zindle_wordlist_end\n"
    "zindle_wordlist_end:\n"
    ".popsection\n");

extern "C" const unsigned char zindle_wordlist_begin[];
extern "C" const unsigned char zindle_wordlist_end[];

namespace zindle {

WordListBytes builtinWordList() {
    return {zindle_wordlist_begin,
            static_cast<std::size_t>(zindle_wordlist_end - zindle_wordlist_begin)};
}

}  // namespace zindle
