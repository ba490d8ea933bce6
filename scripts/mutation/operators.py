"""The changes the mutation tool makes to C++ code, chosen so that most of them compile: a
comparison flipped, && and || swapped, an integer constant off by one, a condition negated, a
call statement removed, true and false swapped, the text of a log call changed or emptied, an
array bound or constant index off by one either way, and two adjacent arguments of a call
swapped."""

import re
from dataclasses import dataclass

from cxx_tokens import matching, tokenize

FLIPPED = {"==": "!=", "!=": "==", "<": ">=", ">": "<=", "<=": ">", ">=": "<"}
LOG_CALLS = {"LogLine", "LogError"}
NOT_A_CALL = set("""return if while for switch case delete throw break continue goto else do
    const auto static using typedef namespace class struct enum template default new""".split())
STATEMENT_START = {";", "{", "}"}
CONSTANT_NAME = re.compile(r"^(k[A-Z]\w*|[A-Z][A-Z0-9_]*)$")
CONSTANT_PUNCT = {"+", "-", "*", "/", "(", ")"}
BEFORE_A_CALL = {"return", "else", "case", "throw"}
OPENING = {"(": ")", "[": "]", "{": "}"}


@dataclass
class Mutant:
    path: str
    line: int
    column: int
    start: int
    end: int
    replacement: str
    operator: str
    original: str

    def describe(self):
        def squeeze(text):  # one line, the text's own blanks kept
            return re.sub(r"\s*\n\s*", " ", text)
        return "%s:%d:%d %s: %s -> %s" % (self.path, self.line, self.column, self.operator,
                                          squeeze(self.original), squeeze(self.replacement))


def _spaced(src, token):
    """A binary operator written with blanks on both sides (not a template bracket or T&&)."""
    return src[token.start - 1].isspace() and src[token.end].isspace()


def comparisons(src, tokens):
    for k, t in enumerate(tokens):
        if t.text in FLIPPED and tokens[k - 1].text not in ("operator", "template"):
            if t.text in ("==", "!=") or _spaced(src, t):
                yield t.start, t.end, FLIPPED[t.text], "comparison"


def logic(src, tokens):
    for t in tokens:
        if t.text in ("&&", "||") and _spaced(src, t):
            yield t.start, t.end, "||" if t.text == "&&" else "&&", "logic"


def constants(src, tokens):
    for t in tokens:
        if t.kind != "number" or re.search(r"[.]|^\d[\d']*[eE]", t.text):
            continue
        digits = re.match(r"(0[xX])?([0-9a-fA-F']+)", t.text)
        body = digits.group(2).replace("'", "")
        value = int(body, 16 if digits.group(1) else 10) + 1
        text = ("0x%X" % value) if digits.group(1) else str(value)
        yield t.start, t.end, text + t.text[digits.end():], "constant"


def conditions(src, tokens):
    for k, t in enumerate(tokens[:-1]):
        if t.text in ("if", "while") and tokens[k + 1].text == "(":
            close = matching(tokens, k + 1)
            inner = src[tokens[k + 1].end:tokens[close].start]
            yield tokens[k + 1].end, tokens[close].start, "!(" + inner + ")", "negated"


def _call_statement_end(tokens, k):
    """Index of the ';' ending a statement that is only a call chain starting at tokens[k]."""
    if tokens[k].kind != "ident" or tokens[k].text in NOT_A_CALL:
        return None
    j, called = k + 1, False
    while j < len(tokens):
        text = tokens[j].text
        if text in ("::", ".", "->") and tokens[j + 1].kind == "ident":
            j, called = j + 2, False
        elif text == "(":
            j, called = matching(tokens, j) + 1, True
        else:
            break
    return j if called and j < len(tokens) and tokens[j].text == ";" else None


def removed_calls(src, tokens):
    for k in range(1, len(tokens)):
        if tokens[k - 1].text in STATEMENT_START or tokens[k - 1].text == "else":
            end = _call_statement_end(tokens, k)
            if end is not None:
                yield tokens[k].start, tokens[end].end, ";", "call removed"


def booleans(src, tokens):
    for t in tokens:
        if t.text in ("true", "false"):
            yield t.start, t.end, "false" if t.text == "true" else "true", "boolean"


def log_texts(src, tokens):
    for texts in _log_call_texts(tokens):
        text = texts[0] if texts else None
        body = text.text.index('"') + 1 if text else 0
        letter = re.search(r"[A-Za-z]", text.text[body:]) if text else None
        if letter:
            at = body + letter.start()
            changed = text.text[:at] + text.text[at].swapcase() + text.text[at + 1:]
            yield text.start, text.end, changed, "log text"


def _log_call_texts(tokens):
    """The string literals among the arguments of each LogLine/LogError call."""
    for k, t in enumerate(tokens[:-2]):
        if t.text in LOG_CALLS and tokens[k + 1].text == "(":
            yield [s for s in tokens[k + 2:matching(tokens, k + 1)] if s.kind == "string"]


def emptied_log_texts(src, tokens):
    for texts in _log_call_texts(tokens):
        for text in texts:
            if not text.text.endswith('""'):
                quote = text.text.index('"')
                yield text.start, text.end, text.text[:quote] + '""', "text emptied"


def _constant_expression(tokens):
    return bool(tokens) and all(
        t.kind == "number" or (t.kind == "ident" and CONSTANT_NAME.match(t.text))
        or t.text in CONSTANT_PUNCT for t in tokens)


def bounds(src, tokens):
    """A bound or index written with constants only, one less and one more."""
    for k, t in enumerate(tokens):
        if t.text != "[" or tokens[k + 1].text == "[":
            continue
        close = matching(tokens, k)
        inner = tokens[k + 1:close]
        if not _constant_expression(inner):
            continue
        text = src[inner[0].start:inner[-1].end]
        if len(inner) == 1 and inner[0].kind == "number" and inner[0].text.isdigit():
            value = int(inner[0].text)
            changes = (str(value - 1), str(value + 1))
        else:
            changes = (text + " - 1", text + " + 1")
        for changed in changes:
            yield inner[0].start, inner[-1].end, changed, "bound"


def _arguments(tokens, k):
    """The top-level arguments of the call whose '(' is tokens[k], as (first, last) indexes."""
    close, arguments, first, j = matching(tokens, k), [], k + 1, k + 1
    while j < close:
        if tokens[j].text in OPENING:
            j = matching(tokens, j)
        elif tokens[j].text == ",":
            arguments.append((first, j - 1))
            first = j + 1
        j += 1
    if first < close:
        arguments.append((first, close - 1))
    return arguments


def _is_call(tokens, k):
    """tokens[k] is the '(' of a call, not of a declaration, definition or keyword."""
    j = k - 1
    if tokens[j].kind != "ident" or tokens[j].text in NOT_A_CALL | {"sizeof", "alignof",
                                                                  "decltype", "noexcept"}:
        return False
    while j >= 2 and tokens[j - 1].text == "::" and tokens[j - 2].kind == "ident":
        j -= 2
    before = tokens[j - 1] if j > 0 else None
    if before is None:
        return False
    if before.kind == "ident":
        return before.text in BEFORE_A_CALL
    return before.text not in ("*", "&", "&&", ">", "~", "::", "]")


def _may_compile_swapped(left, right):
    """False for two arguments of plainly different kinds: a text and something else, or the run's
    context and something else; those swaps would not compile."""
    def kind(argument):
        if len(argument) == 1 and argument[0].kind == "string":
            return "text"
        return "context" if len(argument) == 1 and argument[0].text == "ctx" else "other"
    return kind(left) == kind(right)


def swapped_arguments(src, tokens):
    for k, t in enumerate(tokens):
        if t.text != "(" or k == 0 or not _is_call(tokens, k):
            continue
        arguments = _arguments(tokens, k)
        for (a0, a1), (b0, b1) in zip(arguments, arguments[1:]):
            left = src[tokens[a0].start:tokens[a1].end]
            right = src[tokens[b0].start:tokens[b1].end]
            if left != right and _may_compile_swapped(tokens[a0:a1 + 1], tokens[b0:b1 + 1]):
                between = src[tokens[a1].end:tokens[b0].start]
                yield tokens[a0].start, tokens[b1].end, right + between + left, "swapped"


OPERATORS = (comparisons, logic, constants, conditions, removed_calls, booleans, log_texts,
             emptied_log_texts, bounds, swapped_arguments)


def mutants(path, src):
    tokens = tokenize(src)
    for operator in OPERATORS:
        for start, end, replacement, name in operator(src, tokens):
            line = src.count("\n", 0, start) + 1
            column = start - src.rfind("\n", 0, start)
            yield Mutant(path, line, column, start, end, replacement, name, src[start:end])
