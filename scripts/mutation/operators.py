"""The changes the mutation tool makes to C++ code, chosen so that most of them compile: a
comparison flipped, && and || swapped, an integer constant off by one, a condition negated, a
call statement removed, true and false swapped, and the text of a log call changed."""

import re
from dataclasses import dataclass

from cxx_tokens import matching, tokenize

FLIPPED = {"==": "!=", "!=": "==", "<": ">=", ">": "<=", "<=": ">", ">=": "<"}
LOG_CALLS = {"LogLine", "LogError"}
NOT_A_CALL = set("""return if while for switch case delete throw break continue goto else do
    const auto static using typedef namespace class struct enum template default new""".split())
STATEMENT_START = {";", "{", "}"}


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
    for k, t in enumerate(tokens[:-2]):
        if t.text in LOG_CALLS and tokens[k + 1].text == "(":
            text = next((s for s in tokens[k + 2:matching(tokens, k + 1)] if s.kind == "string"),
                        None)
            body = text.text.index('"') + 1 if text else 0
            letter = re.search(r"[A-Za-z]", text.text[body:]) if text else None
            if letter:
                at = body + letter.start()
                changed = text.text[:at] + text.text[at].swapcase() + text.text[at + 1:]
                yield text.start, text.end, changed, "log text"


OPERATORS = (comparisons, logic, constants, conditions, removed_calls, booleans, log_texts)


def mutants(path, src):
    tokens = tokenize(src)
    for operator in OPERATORS:
        for start, end, replacement, name in operator(src, tokens):
            line = src.count("\n", 0, start) + 1
            column = start - src.rfind("\n", 0, start)
            yield Mutant(path, line, column, start, end, replacement, name, src[start:end])
