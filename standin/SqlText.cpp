#include "SqlText.h"

#include "Text.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace yorsabat::standin::sql {

namespace {

bool isIdentStart(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '#' || c >= 0x80;
}

bool isIdentChar(unsigned char c)
{
    return isIdentStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '@';
}

bool isIdentifier(const Token &t)
{
    return t.kind == Token::Word || t.kind == Token::QuotedId;
}

const char *const kStatementWords[] = {"select", "insert", "update", "delete", "use", "set", "create", "drop",
                                       "alter", "print", "exec", "execute", "declare", "begin", "commit",
                                       "rollback", "with", "go", "truncate", "pragma", "if", "while", "return",
                                       "merge", "grant", "revoke", "standin", "replace", "vacuum", "reindex",
                                       "analyze", "save", "dbcc", "waitfor", "raiserror", "throw"};

} // namespace

bool Token::isWord(std::string_view w) const
{
    return kind == Word && equalsNoCase(text, w);
}

std::string Token::name() const
{
    if (kind == QuotedId && text.size() >= 2) {
        char close = text.front() == '[' ? ']' : '"';
        std::string out;
        std::string_view body = text.substr(1, text.back() == close ? text.size() - 2 : text.size() - 1);
        for (std::size_t i = 0; i < body.size(); ++i) {
            out.push_back(body[i]);
            if (body[i] == close && i + 1 < body.size() && body[i + 1] == close)
                ++i;
        }
        return out;
    }
    return std::string(text);
}

std::vector<Token> tokenize(std::string_view s)
{
    std::vector<Token> out;
    std::size_t i = 0;
    int line = 1;
    int depth = 0;
    while (i < s.size()) {
        Token t;
        t.pos = i;
        t.line = line;
        t.depth = depth;
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t j = i + 1;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            t.kind = Token::Space;
            while (j < s.size() && std::strchr(" \t\r\n\f\v", s[j]) && s[j] != '\0')
                ++j;
        } else if (c == '-' && j < s.size() && s[j] == '-') {
            t.kind = Token::Comment;
            while (j < s.size() && s[j] != '\n')
                ++j;
        } else if (c == '/' && j < s.size() && s[j] == '*') {
            t.kind = Token::Comment;
            int nest = 1; // T-SQL block comments nest
            j = i + 2;
            while (j < s.size() && nest > 0) {
                if (s[j] == '/' && j + 1 < s.size() && s[j + 1] == '*') {
                    ++nest;
                    j += 2;
                } else if (s[j] == '*' && j + 1 < s.size() && s[j + 1] == '/') {
                    --nest;
                    j += 2;
                } else {
                    ++j;
                }
            }
        } else if (c == '\'' || ((c == 'N' || c == 'n') && j < s.size() && s[j] == '\'')) {
            t.kind = Token::String;
            j = c == '\'' ? i + 1 : i + 2;
            while (j < s.size()) {
                if (s[j] == '\'') {
                    if (j + 1 < s.size() && s[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
        } else if (c == '[' || c == '"') {
            t.kind = Token::QuotedId;
            char close = c == '[' ? ']' : '"';
            while (j < s.size()) {
                if (s[j] == close) {
                    if (j + 1 < s.size() && s[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
        } else if ((c >= '0' && c <= '9') || (c == '.' && j < s.size() && s[j] >= '0' && s[j] <= '9')) {
            t.kind = Token::Number;
            if (c == '0' && j < s.size() && (s[j] == 'x' || s[j] == 'X')) {
                ++j;
                while (j < s.size() && std::isxdigit(static_cast<unsigned char>(s[j])))
                    ++j;
            } else {
                while (j < s.size() && ((s[j] >= '0' && s[j] <= '9') || s[j] == '.'))
                    ++j;
                if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
                    std::size_t k = j + 1;
                    if (k < s.size() && (s[k] == '+' || s[k] == '-'))
                        ++k;
                    if (k < s.size() && s[k] >= '0' && s[k] <= '9') {
                        j = k;
                        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
                            ++j;
                    }
                }
            }
        } else if (c == '@') {
            t.kind = Token::Variable;
            while (j < s.size() && isIdentChar(static_cast<unsigned char>(s[j])))
                ++j;
        } else if (isIdentStart(c)) {
            t.kind = Token::Word;
            while (j < s.size() && isIdentChar(static_cast<unsigned char>(s[j])))
                ++j;
        } else {
            t.kind = Token::Punct;
            static const char *const twoChar[] = {"<>", "!=", ">=", "<=", "!<", "!>", "||", "..", "==",
                                                  "<<", ">>", "+=", "-=", "*=", "/="};
            for (const char *op : twoChar)
                if (s.substr(i, 2) == op) {
                    j = i + 2;
                    break;
                }
            if (c == '(')
                ++depth;
            else if (c == ')' && depth > 0)
                --depth;
        }
        t.text = s.substr(i, j - i);
        for (std::size_t k = i; k < j; ++k)
            if (s[k] == '\n')
                ++line;
        out.push_back(t);
        i = j;
    }
    return out;
}

std::size_t nextSignificant(const std::vector<Token> &tokens, std::size_t i)
{
    while (i < tokens.size() && !tokens[i].significant())
        ++i;
    return i;
}

bool startsStatement(const std::vector<Token> &tokens, std::size_t i)
{
    if (i >= tokens.size() || tokens[i].kind != Token::Word)
        return false;
    for (const char *w : kStatementWords)
        if (tokens[i].isWord(w))
            return true;
    return false;
}

std::size_t reservedStatementEnd(const std::vector<Token> &tokens, std::size_t i)
{
    static const char *const reserved[] = {"use", "print", "exec", "execute", "declare", "truncate", "dbcc",
                                           "waitfor", "raiserror", "go"};
    const int depth = i < tokens.size() ? tokens[i].depth : 0;
    const Token *prev = nullptr;
    for (std::size_t k = i + 1; k < tokens.size(); ++k) {
        const Token &t = tokens[k];
        if (!t.significant())
            continue;
        if (t.kind == Token::Word && t.depth == depth &&
            !(prev && prev->kind == Token::Punct && (prev->text == "." || prev->text == "..")))
            for (const char *w : reserved)
                if (t.isWord(w))
                    return k;
        prev = &t;
    }
    return tokens.size();
}

std::size_t Translation::tokenAt(std::size_t offset) const
{
    auto it = std::upper_bound(starts.begin(), starts.end(), offset);
    std::size_t k = static_cast<std::size_t>(it - starts.begin());
    return begin + (k == 0 ? 0 : k - 1);
}

std::string quoteIdentifier(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string quoteLiteral(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out.push_back('\'');
        out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

Translation translate(const std::vector<Token> &tokens, std::size_t begin, std::size_t end, const Context &ctx)
{
    Translation tr;
    tr.begin = begin;
    tr.starts.reserve(end - begin);
    std::string &out = tr.text;
    auto prevSignificant = [&](std::size_t k) -> const Token * {
        while (k > begin) {
            --k;
            if (tokens[k].significant())
                return &tokens[k];
        }
        return nullptr;
    };
    // SELECT TOP n: SQLite's LIMIT n at the end of that SELECT (before the parenthesis or
    // semicolon that closes it).
    struct PendingLimit
    {
        int depth;
        std::string count;
    };
    std::vector<PendingLimit> limits;
    std::size_t k = begin;
    while (k < end) {
        const Token &t = tokens[k];
        if (t.kind == Token::Punct && (t.text == ")" || t.text == ";"))
            while (!limits.empty() && limits.back().depth == t.depth) {
                out += " LIMIT " + limits.back().count + " ";
                limits.pop_back();
            }
        tr.starts.push_back(out.size());
        if (t.isWord("top")) {
            const Token *prev = prevSignificant(k);
            std::size_t n = nextSignificant(tokens, k + 1);
            if (prev && (prev->isWord("select") || prev->isWord("distinct") || prev->isWord("all")) && n < end) {
                std::string count;
                std::size_t after = n;
                if (tokens[n].kind == Token::Number) {
                    count = std::string(tokens[n].text);
                    after = n + 1;
                } else if (tokens[n].kind == Token::Punct && tokens[n].text == "(") {
                    std::size_t close = n + 1;
                    while (close < end && !(tokens[close].kind == Token::Punct && tokens[close].text == ")" &&
                                            tokens[close].depth == tokens[n].depth + 1))
                        ++close;
                    if (close < end) {
                        count = "(";
                        for (std::size_t m = n + 1; m < close; ++m)
                            count += std::string(tokens[m].text);
                        count += ")";
                        after = close + 1;
                    }
                }
                std::size_t following = nextSignificant(tokens, after);
                bool unsupported = following < end && (tokens[following].isWord("percent") || tokens[following].isWord("with"));
                if (!count.empty() && !unsupported) {
                    limits.push_back(PendingLimit{t.depth, count});
                    out.push_back(' ');
                    for (std::size_t m = k + 1; m < after; ++m)
                        tr.starts.push_back(out.size());
                    k = after;
                    continue;
                }
            }
        }
        // Multi-part names: db.schema.object, db..object, schema.object
        if (isIdentifier(t)) {
            const Token *prev = prevSignificant(k);
            bool chainStart = !(prev && prev->kind == Token::Punct && (prev->text == "." || prev->text == ".."));
            std::vector<std::string> parts{t.name()};
            std::size_t j = k + 1;
            while (chainStart && j + 1 < end && tokens[j].kind == Token::Punct &&
                   (tokens[j].text == "." || tokens[j].text == "..") && isIdentifier(tokens[j + 1]) &&
                   parts.size() < 4) {
                if (tokens[j].text == "..")
                    parts.push_back("");
                parts.push_back(tokens[j + 1].name());
                j += 2;
            }
            if (chainStart && parts.size() >= 2) {
                std::string replacement;
                std::string db, schema, object;
                if (parts.size() == 2) {
                    schema = parts[0];
                    object = parts[1];
                } else {
                    db = parts[parts.size() - 3];
                    schema = parts[parts.size() - 2];
                    object = parts[parts.size() - 1];
                }
                std::string objLower = lower(object), schemaLower = lower(schema), dbLower = lower(db);
                bool handled = true;
                if (parts.size() <= 3 && (objLower == "sysdatabases" || (schemaLower == "sys" && objLower == "databases")) &&
                    (db.empty() || dbLower == "master"))
                    replacement = schemaLower == "sys" ? "temp.\"sys.databases\"" : "temp.sysdatabases";
                else if (parts.size() <= 3 && (schemaLower == "sys" || schemaLower == "information_schema") &&
                         (db.empty() || equalsNoCase(db, ctx.currentDatabase)))
                    replacement = "temp." + quoteIdentifier(schemaLower + "." + objLower);
                else if (parts.size() == 2 && (schemaLower == "dbo"))
                    replacement = quoteIdentifier(object);
                else if (parts.size() == 3 && (schemaLower == "dbo" || schema.empty())) {
                    if (equalsNoCase(db, ctx.currentDatabase))
                        replacement = quoteIdentifier(object);
                    else {
                        std::string alias = ctx.attach ? ctx.attach(db) : std::string();
                        replacement = alias.empty() ? quoteIdentifier(db) + "." + quoteIdentifier(object)
                                                    : quoteIdentifier(alias) + "." + quoteIdentifier(object);
                    }
                } else
                    handled = false;
                if (handled) {
                    out += replacement;
                    for (std::size_t m = k + 1; m < j; ++m)
                        tr.starts.push_back(out.size());
                    k = j;
                    continue;
                }
            }
        }
        switch (t.kind) {
        case Token::QuotedId:
            out += quoteIdentifier(t.name());
            break;
        case Token::String:
            out += (t.text[0] == 'N' || t.text[0] == 'n') ? t.text.substr(1) : t.text;
            break;
        case Token::Comment:
            // Keep line structure; SQLite does not nest block comments.
            for (char c : t.text)
                if (c == '\n')
                    out.push_back('\n');
            out.push_back(' ');
            break;
        case Token::Variable:
            if (t.text.size() > 2 && t.text[1] == '@') {
                std::string v = lower(t.text.substr(2));
                if (v == "version")
                    out += quoteLiteral(ctx.version);
                else if (v == "servername")
                    out += quoteLiteral(ctx.serverName);
                else if (v == "spid")
                    out += std::to_string(ctx.spid);
                else if (v == "rowcount")
                    out += std::to_string(ctx.lastRowCount);
                else if (v == "trancount")
                    out += "0";
                else if (v == "identity")
                    out += "last_insert_rowid()";
                else if (v == "error")
                    out += "0";
                else
                    out += t.text;
            } else {
                out += t.text;
            }
            break;
        case Token::Word: {
            std::size_t n = nextSignificant(tokens, k + 1);
            bool call = n < end && tokens[n].kind == Token::Punct && tokens[n].text == "(";
            const Token *prev = prevSignificant(k);
            const Token *beforePrev = nullptr;
            if (prev)
                beforePrev = prevSignificant(static_cast<std::size_t>(prev - tokens.data()));
            bool maxLength = t.isWord("max") && prev && prev->kind == Token::Punct && prev->text == "(" && beforePrev &&
                             (beforePrev->isWord("varchar") || beforePrev->isWord("nvarchar") ||
                              beforePrev->isWord("varbinary")) &&
                             n < end && tokens[n].kind == Token::Punct && tokens[n].text == ")";
            if (maxLength)
                out += "-1"; // SQLite takes only numbers there; the declared type keeps saying (max)
            else if (call && t.isWord("isnull"))
                out += "ifnull";
            else if (t.isWord("tran") && prev && (prev->isWord("begin") || prev->isWord("commit") || prev->isWord("rollback")))
                out += "transaction";
            else
                out += t.text;
            break;
        }
        case Token::Punct:
            if (t.text == "+") {
                // T-SQL joins texts with +; next to a text literal it can only mean that.
                const Token *prev = prevSignificant(k);
                std::size_t n = nextSignificant(tokens, k + 1);
                const bool prevText = prev && prev->kind == Token::String, nextText = n < end && tokens[n].kind == Token::String;
                const bool prevNumber = prev && prev->kind == Token::Number, nextNumber = n < end && tokens[n].kind == Token::Number;
                // ('3' + 4 is 7 on SQL Server: a number beside it makes it an addition)
                if ((prevText && !nextNumber) || (nextText && !prevNumber)) {
                    out += "||";
                    break;
                }
            }
            out += t.text;
            break;
        default:
            out += t.text;
        }
        ++k;
    }
    while (!limits.empty()) {
        out += " LIMIT " + limits.back().count;
        limits.pop_back();
    }
    return tr;
}

} // namespace yorsabat::standin::sql
