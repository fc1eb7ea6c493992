#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reading T-SQL batch text and rewriting it into SQLite's dialect.
namespace yorsabat::standin::sql {

struct Token
{
    enum Kind { Space, Comment, Word, QuotedId, String, Number, Variable, Punct };
    Kind kind = Space;
    std::string_view text;
    std::size_t pos = 0; // byte offset in the batch
    int line = 1;        // 1-based line of its first character
    int depth = 0;       // parenthesis depth before the token

    bool isWord(std::string_view w) const;
    bool significant() const { return kind != Space && kind != Comment; }
    std::string name() const; // identifier text without brackets or quotes
};

// Splits text into tokens; unterminated strings and brackets run to the end.
std::vector<Token> tokenize(std::string_view text);

// Index of the next significant token at or after i (tokens.size() if none).
std::size_t nextSignificant(const std::vector<Token> &tokens, std::size_t i);

// Whether the words of a statement start here (USE, SELECT, INSERT, ...).
bool startsStatement(const std::vector<Token> &tokens, std::size_t i);

// Where the statement starting at i ends at the latest: before the next word that T-SQL
// reserves to begin a statement and SQLite would read as an alias (USE, PRINT, EXEC, ...).
std::size_t reservedStatementEnd(const std::vector<Token> &tokens, std::size_t i);

// Names the rewriting needs to know about.
struct Context
{
    std::string currentDatabase;
    // Returns the SQLite schema name under which another database can be read ("" if unknown).
    std::function<std::string(const std::string &database)> attach;
    std::int64_t lastRowCount = 0;
    std::string serverName;
    std::string version;
    int spid = 0;
};

// SQLite text for tokens [begin, end) with offsets back to tokens.
struct Translation
{
    std::string text;
    std::vector<std::size_t> starts; // offset in text where token begin+k starts
    std::size_t begin = 0;
    // Token index for an offset into text.
    std::size_t tokenAt(std::size_t offset) const;
};

Translation translate(const std::vector<Token> &tokens, std::size_t begin, std::size_t end, const Context &context);

std::string quoteIdentifier(std::string_view name); // "name" with quotes doubled
std::string quoteLiteral(std::string_view text);    // 'text' with quotes doubled

} // namespace yorsabat::standin::sql
