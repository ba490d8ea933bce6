"""A small C++ tokenizer for the mutation tool: enough to tell code from comments, string and
character literals and preprocessor lines, with each token's place in the text."""

import re
from dataclasses import dataclass

PUNCTUATORS = sorted(
    """->* <<= >>= ... :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .*
    { } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #""".split(),
    key=len, reverse=True)
STRING_PREFIX = re.compile(r'(?:u8|[LuU])?R?"')
NUMBER = re.compile(r"0[xX][0-9a-fA-F']+[uUlL]*|\d[\d']*(?:\.\d*)?(?:[eE][+-]?\d+)?[fFuUlL]*")
IDENT = re.compile(r"[A-Za-z_]\w*")


@dataclass
class Token:
    kind: str  # ident, number, string, char, punct
    text: str
    start: int
    end: int
    line: int


def _skip_string(src, i, raw):
    """Index after the literal whose opening quote is at src[i]."""
    if raw:
        close = src.index("(", i)
        delimiter = ")" + src[i + 1:close] + '"'
        return src.index(delimiter, close) + len(delimiter)
    quote = src[i]
    i += 1
    while src[i] != quote:
        i += 2 if src[i] == "\\" else 1
    return i + 1


def tokenize(src):
    """The code tokens of `src`; comments and preprocessor lines yield none."""
    tokens = []
    i, n, line, at_line_start = 0, len(src), 1, True
    while i < n:
        c = src[i]
        if c == "\n":
            line, at_line_start, i = line + 1, True, i + 1
            continue
        if c.isspace():
            i += 1
            continue
        if src.startswith("//", i) or (c == "#" and at_line_start):
            while i < n and (src[i] != "\n" or src[i - 1] == "\\"):
                line += src[i] == "\n"
                i += 1
            continue
        if src.startswith("/*", i):
            end = src.index("*/", i) + 2
            line += src.count("\n", i, end)
            i = end
            continue
        at_line_start = False
        prefix = STRING_PREFIX.match(src, i)
        if prefix or c == "'":
            quote_at = prefix.end() - 1 if prefix else i
            end = _skip_string(src, quote_at, bool(prefix) and "R" in prefix.group())
            tokens.append(Token("string" if prefix else "char", src[i:end], i, end, line))
            line += src.count("\n", i, end)
            i = end
            continue
        for kind, pattern in (("number", NUMBER), ("ident", IDENT)):
            match = pattern.match(src, i)
            if match:
                tokens.append(Token(kind, match.group(), i, match.end(), line))
                i = match.end()
                break
        else:
            text = next((p for p in PUNCTUATORS if src.startswith(p, i)), c)
            tokens.append(Token("punct", text, i, i + len(text), line))
            i += len(text)
    return tokens


def matching(tokens, k):
    """Index of the bracket that closes the one at tokens[k]."""
    opening = tokens[k].text
    closing = {"(": ")", "[": "]", "{": "}"}[opening]
    depth = 0
    for j in range(k, len(tokens)):
        depth += (tokens[j].text == opening) - (tokens[j].text == closing)
        if depth == 0:
            return j
    raise ValueError("unbalanced bracket at line %d" % tokens[k].line)
