#include "dbc/DbcParser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <unordered_map>
#include <utility>

#include <iconv.h>

namespace {

// Thrown inside the parser only; ParseDbcText turns it into a DbcError.
struct SyntaxError {
    int line;
    std::string expected;
};

bool IsIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    struct Mark {
        size_t pos;
        int line;
        size_t lineStart;
    };
    Mark Here() const { return Mark{m_pos, m_line, m_lineStart}; }
    void Return(const Mark& mark)
    {
        m_pos = mark.pos;
        m_line = mark.line;
        m_lineStart = mark.lineStart;
    }

    int Line() const { return m_line; }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    bool AtColumnZero() const { return m_pos == m_lineStart; }

    [[noreturn]] void Fail(std::string expected) const
    {
        throw SyntaxError{m_line, std::move(expected)};
    }

    // Spaces, tabs and line ends.
    void SkipSpace()
    {
        while (!AtEnd()) {
            const char c = m_text[m_pos];
            if (c == '\n') {
                NewLine();
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++m_pos;
            } else {
                break;
            }
        }
    }

    // Spaces and tabs on the current line.
    void SkipBlanks()
    {
        while (!AtEnd() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\r')) {
            ++m_pos;
        }
    }

    bool TryChar(char c)
    {
        SkipSpace();
        if (Peek() != c) {
            return false;
        }
        ++m_pos;
        return true;
    }

    void ExpectChar(char c)
    {
        if (!TryChar(c)) {
            Fail(std::string("'") + c + "'");
        }
    }

    // An identifier at the cursor (no space skipped); empty when none.
    std::string_view IdentifierHere()
    {
        if (AtEnd() || !IsIdentStart(m_text[m_pos])) {
            return {};
        }
        const size_t start = m_pos;
        while (!AtEnd() && IsIdentChar(m_text[m_pos])) {
            ++m_pos;
        }
        return m_text.substr(start, m_pos - start);
    }

    std::string_view TryIdentifier()
    {
        SkipSpace();
        return IdentifierHere();
    }

    std::string_view Identifier(const char* what)
    {
        const std::string_view name = TryIdentifier();
        if (name.empty()) {
            Fail(what);
        }
        return name;
    }

    bool AtUnsigned()
    {
        SkipSpace();
        return IsDigit(Peek());
    }

    uint64_t Unsigned(const char* what)
    {
        SkipSpace();
        const size_t start = m_pos;
        while (!AtEnd() && IsDigit(m_text[m_pos])) {
            ++m_pos;
        }
        uint64_t value = 0;
        const auto [end, ec] = std::from_chars(m_text.data() + start, m_text.data() + m_pos, value);
        if (start == m_pos || ec != std::errc() || end != m_text.data() + m_pos) {
            Fail(what);
        }
        return value;
    }

    // An integer of either sign; those beyond int64 are kept as uint64 bits.
    int64_t Integer(const char* what)
    {
        SkipSpace();
        const bool negative = Peek() == '-';
        if (negative || Peek() == '+') {
            ++m_pos;
        }
        if (!IsDigit(Peek())) {
            Fail(what);
        }
        const uint64_t magnitude = Unsigned(what);
        if (negative) {
            if (magnitude > uint64_t{1} << 63) {
                Fail(what);
            }
            return static_cast<int64_t>(0 - magnitude);
        }
        return static_cast<int64_t>(magnitude);
    }

    // A decimal number as DBC writes it: "-12", "0.25", "1E-005", "+3.4E+38".
    double Number(const char* what)
    {
        SkipSpace();
        size_t pos = m_pos;
        if (pos < m_text.size() && (m_text[pos] == '-' || m_text[pos] == '+')) {
            ++pos;
        }
        const size_t digitsStart = pos;
        while (pos < m_text.size() && IsDigit(m_text[pos])) {
            ++pos;
        }
        if (pos < m_text.size() && m_text[pos] == '.') {
            ++pos;
            while (pos < m_text.size() && IsDigit(m_text[pos])) {
                ++pos;
            }
        }
        const bool anyDigit =
            pos > digitsStart && !(pos == digitsStart + 1 && m_text[digitsStart] == '.');
        if (!anyDigit) {
            Fail(what);
        }
        if (pos < m_text.size() && (m_text[pos] == 'e' || m_text[pos] == 'E')) {
            size_t exponent = pos + 1;
            if (exponent < m_text.size() && (m_text[exponent] == '-' || m_text[exponent] == '+')) {
                ++exponent;
            }
            if (exponent < m_text.size() && IsDigit(m_text[exponent])) {
                pos = exponent;
                while (pos < m_text.size() && IsDigit(m_text[pos])) {
                    ++pos;
                }
            }
        }
        // from_chars takes no leading '+'.
        const size_t from = m_text[m_pos] == '+' ? m_pos + 1 : m_pos;
        double value = 0.0;
        const auto [end, ec] = std::from_chars(m_text.data() + from, m_text.data() + pos, value);
        if (ec != std::errc() || end != m_text.data() + pos || !std::isfinite(value)) {
            Fail(what);
        }
        m_pos = pos;
        return value;
    }

    bool AtNumber()
    {
        SkipSpace();
        const char c = Peek();
        return IsDigit(c) || c == '-' || c == '+' || c == '.';
    }

    bool AtString()
    {
        SkipSpace();
        return Peek() == '"';
    }

    // A quoted string, which may run over several lines; \" and \\ stand for
    // the character after the backslash.
    std::string String(const char* what)
    {
        SkipSpace();
        if (Peek() != '"') {
            Fail(what);
        }
        const int startLine = m_line;
        ++m_pos;
        std::string text;
        while (true) {
            if (AtEnd()) {
                throw SyntaxError{startLine, "닫는 '\"'"};
            }
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return text;
            }
            if (c == '\\' && m_pos + 1 < m_text.size() &&
                (m_text[m_pos + 1] == '"' || m_text[m_pos + 1] == '\\')) {
                text += m_text[m_pos + 1];
                m_pos += 2;
                continue;
            }
            if (c == '\n') {
                NewLine();
            } else {
                ++m_pos;
            }
            text += c;
        }
    }

    // Skips the rest of a statement: to its ';', or to the start of a line
    // that begins with a keyword, whichever comes first. Quoted strings are
    // skipped whole.
    void SkipStatement()
    {
        while (!AtEnd()) {
            const char c = m_text[m_pos];
            if (c == ';') {
                ++m_pos;
                return;
            }
            if (c == '"') {
                String("'\"'");
                continue;
            }
            if (c == '\n') {
                NewLine();
                if (AtKeywordLine()) {
                    return;
                }
                continue;
            }
            ++m_pos;
        }
    }

    // Skips to the end of the current line.
    void SkipLine()
    {
        while (!AtEnd() && m_text[m_pos] != '\n') {
            ++m_pos;
        }
    }

private:
    void NewLine()
    {
        ++m_pos;
        ++m_line;
        m_lineStart = m_pos;
    }

    // A line that starts, in its first column, with a word of capitals and
    // underscores ("BO_", "CM_", "VAL_TABLE_"): the start of a statement.
    bool AtKeywordLine() const
    {
        size_t pos = m_pos;
        while (pos < m_text.size() &&
               ((m_text[pos] >= 'A' && m_text[pos] <= 'Z') || m_text[pos] == '_')) {
            ++pos;
        }
        return pos - m_pos >= 3 && (pos == m_text.size() || !IsIdentChar(m_text[pos]));
    }

    std::string_view m_text;
    size_t m_pos = 0;
    int m_line = 1;
    size_t m_lineStart = 0;
};

std::string HexId(uint32_t id, bool extended)
{
    char text[16];
    std::snprintf(text, sizeof text, extended ? "0x%08X" : "0x%03X", id);
    return text;
}

class Parser {
public:
    explicit Parser(std::string_view text) : m_in(text) {}

    DbcFile Run()
    {
        while (true) {
            m_in.SkipSpace();
            if (m_in.AtEnd()) {
                break;
            }
            const int line = m_in.Line();
            const std::string_view keyword = m_in.IdentifierHere();
            if (keyword.empty()) {
                m_in.Fail("키워드");
            }
            if (keyword != "SG_") {
                m_current = -1;
            }
            Statement(keyword, line);
        }
        Finish();
        return std::move(m_file);
    }

private:
    void Statement(std::string_view keyword, int line)
    {
        if (keyword == "VERSION") {
            m_file.version = m_in.String("버전 문자열");
        } else if (keyword == "NS_") {
            NewSymbols();
        } else if (keyword == "BS_") {
            m_in.ExpectChar(':');
            m_in.SkipLine();
        } else if (keyword == "BU_") {
            Nodes();
        } else if (keyword == "BO_") {
            Message(line);
        } else if (keyword == "SG_") {
            Signal(line);
        } else if (keyword == "CM_") {
            Comment(line);
        } else if (keyword == "BA_DEF_DEF_") {
            AttributeDefault();
        } else if (keyword == "BA_") {
            Attribute(line);
        } else if (keyword == "VAL_") {
            ValueNames(line);
        } else if (keyword == "SIG_VALTYPE_") {
            ValueType(line);
        } else {
            m_in.SkipStatement();
        }
    }

    // "NS_ :" and the indented keyword list after it.
    void NewSymbols()
    {
        m_in.TryChar(':');
        while (true) {
            m_in.SkipSpace();
            if (m_in.AtEnd() || m_in.AtColumnZero()) {
                return;
            }
            const Cursor::Mark mark = m_in.Here();
            const std::string_view word = m_in.IdentifierHere();
            if (word.empty()) {
                m_in.Fail("키워드");
            }
            if (word == "BS_" || word == "BU_" || word == "BO_") {
                // An indented statement, not a keyword of the list.
                m_in.Return(mark);
                return;
            }
        }
    }

    void Nodes()
    {
        m_in.ExpectChar(':');
        while (true) {
            m_in.SkipBlanks();
            const std::string_view name = m_in.IdentifierHere();
            if (name.empty()) {
                return;
            }
            m_nodeIndex.emplace(std::string(name), m_file.nodes.size());
            m_file.nodes.push_back(DbcNode{std::string(name), {}});
        }
    }

    static constexpr uint32_t kExtendedFlag = 0x80000000u;
    // The pseudo-message Vector tools put signals of no message in.
    static constexpr uint64_t kIndependentSignals = 0xC0000000u;

    // Splits a file's message id into (key, extended); throws when it is none.
    uint32_t MessageKey(uint64_t fileId, int line, bool warn)
    {
        if (fileId > 0xFFFFFFFFu) {
            throw SyntaxError{line, "메시지 식별자"};
        }
        if (fileId & kExtendedFlag) {
            const uint64_t id = fileId & 0x7FFFFFFFu;
            if (id > 0x1FFFFFFFu) {
                throw SyntaxError{line, "29비트 메시지 식별자"};
            }
            return static_cast<uint32_t>(id) | kExtendedFlag;
        }
        if (fileId > 0x1FFFFFFFu) {
            throw SyntaxError{line, "메시지 식별자"};
        }
        if (fileId > 0x7FF) {
            if (warn) {
                Warn(line, "메시지 식별자 " + std::to_string(fileId) +
                               "은(는) 11비트를 넘어 29비트 식별자로 읽었읍니다.");
            }
            return static_cast<uint32_t>(fileId) | kExtendedFlag;
        }
        return static_cast<uint32_t>(fileId);
    }

    void Message(int line)
    {
        const uint64_t fileId = m_in.Unsigned("메시지 식별자");
        const std::string name(m_in.Identifier("메시지 이름"));
        m_in.ExpectChar(':');
        const uint64_t length = m_in.Unsigned("메시지 길이 (0~64)");
        if (length > 64) {
            m_in.Fail("메시지 길이 (0~64)");
        }
        m_in.SkipBlanks();
        const std::string sender(m_in.IdentifierHere());
        if (fileId == kIndependentSignals) {
            m_current = kDiscarded;
            return;
        }
        const uint32_t key = MessageKey(fileId, line, true);

        DbcMessage message;
        message.extended = (key & kExtendedFlag) != 0;
        message.id = key & ~kExtendedFlag;
        message.name = name;
        message.length = static_cast<int>(length);
        message.sender = sender;
        message.line = line;

        const auto [it, inserted] = m_messageIndex.try_emplace(key, m_messages.size());
        if (!inserted) {
            Warn(line, "메시지 " + HexId(message.id, message.extended) + "(" +
                           m_messages[it->second].name +
                           ")이(가) 이 파일에 다시 정의되어 뒤의 정의를 썼읍니다.");
            // In place, under a new generation so that the signal names of
            // the first definition no longer find anything.
            m_messages[it->second] = std::move(message);
            m_generation[it->second] = m_nextGeneration++;
            m_explicitCycle.erase(it->second);
            m_current = static_cast<long>(it->second);
            return;
        }
        m_current = static_cast<long>(m_messages.size());
        m_messages.push_back(std::move(message));
        m_generation.push_back(m_nextGeneration++);
    }

    static DbcMuxRole MuxRole(std::string_view word, uint64_t& value)
    {
        if (word == "M") {
            return DbcMuxRole::kMultiplexer;
        }
        // "m3", or "m3M" (a multiplexed multiplexer of extended multiplexing,
        // taken as multiplexed only).
        if (word.size() < 2 || word[0] != 'm') {
            return DbcMuxRole::kPlain;
        }
        size_t end = word.size();
        if (word.back() == 'M') {
            --end;
        }
        const auto [ptr, ec] = std::from_chars(word.data() + 1, word.data() + end, value);
        if (ec != std::errc() || ptr != word.data() + end) {
            return DbcMuxRole::kPlain;
        }
        return DbcMuxRole::kMultiplexed;
    }

    void Signal(int line)
    {
        if (m_current == -1) {
            m_in.Fail("SG_ 앞의 BO_");
        }
        DbcSignal signal;
        signal.name = m_in.Identifier("신호 이름");
        m_in.SkipSpace();
        if (m_in.Peek() != ':') {
            const std::string_view word = m_in.IdentifierHere();
            if (word.empty() ||
                (signal.muxRole = MuxRole(word, signal.muxValue)) == DbcMuxRole::kPlain) {
                m_in.Fail("':' 또는 멀티플렉서 표시 (M, m<n>)");
            }
        }
        m_in.ExpectChar(':');
        const uint64_t start = m_in.Unsigned("신호 시작 비트 (0~511)");
        if (start > 511) {
            m_in.Fail("신호 시작 비트 (0~511)");
        }
        m_in.ExpectChar('|');
        const uint64_t length = m_in.Unsigned("신호 길이 (1~64)");
        if (length < 1 || length > 64) {
            m_in.Fail("신호 길이 (1~64)");
        }
        m_in.ExpectChar('@');
        if (m_in.TryChar('0')) {
            signal.bigEndian = true;
        } else if (!m_in.TryChar('1')) {
            m_in.Fail("바이트 순서 (0 또는 1)");
        }
        if (m_in.TryChar('-')) {
            signal.isSigned = true;
        } else if (!m_in.TryChar('+')) {
            m_in.Fail("부호 표시 (+ 또는 -)");
        }
        signal.line = line;
        signal.startBit = static_cast<int>(start);
        signal.length = static_cast<int>(length);
        m_in.ExpectChar('(');
        signal.factor = m_in.Number("배율");
        m_in.ExpectChar(',');
        signal.offset = m_in.Number("오프셋");
        m_in.ExpectChar(')');
        m_in.ExpectChar('[');
        signal.minimum = m_in.Number("최솟값");
        m_in.ExpectChar('|');
        signal.maximum = m_in.Number("최댓값");
        m_in.ExpectChar(']');
        signal.unit = m_in.String("단위 문자열");
        while (true) {
            m_in.SkipBlanks();
            const std::string_view receiver = m_in.IdentifierHere();
            if (receiver.empty()) {
                break;
            }
            signal.receivers.emplace_back(receiver);
            m_in.SkipBlanks();
            if (m_in.Peek() != ',') {
                break;
            }
            m_in.TryChar(',');
        }
        if (m_current == kDiscarded) {
            return;
        }
        DbcMessage& message = m_messages[static_cast<size_t>(m_current)];
        if (message.signals.size() >= kDbcMaxSignalsPerMessage) {
            throw SyntaxError{
                line, "메시지의 신호 수 " + std::to_string(kDbcMaxSignalsPerMessage) + " 이하"};
        }
        const auto [it, inserted] = m_signalIndex.try_emplace(
            SignalKey(static_cast<size_t>(m_current), signal.name), message.signals.size());
        if (!inserted) {
            Warn(line, "메시지 " + message.name + "에 신호 " + signal.name +
                           "이(가) 다시 정의되어 뒤의 정의를 썼읍니다.");
            message.signals[it->second] = std::move(signal);
            return;
        }
        message.signals.push_back(std::move(signal));
    }

    std::string SignalKey(size_t message, std::string_view name) const
    {
        std::string key = std::to_string(m_generation[message]);
        key += ':';
        key += name;
        return key;
    }

    DbcMessage* FindMessage(uint64_t fileId, int line)
    {
        if (fileId == kIndependentSignals) {
            return nullptr;
        }
        const auto it = m_messageIndex.find(MessageKey(fileId, line, false));
        if (it == m_messageIndex.end()) {
            Warn(line, "정의되지 않은 메시지 " + std::to_string(fileId) +
                           "을(를) 가리켜 건너뛰었읍니다.");
            return nullptr;
        }
        return &m_messages[it->second];
    }

    DbcSignal* FindSignal(uint64_t fileId, std::string_view name, int line)
    {
        if (fileId == kIndependentSignals) {
            return nullptr;
        }
        const auto message = m_messageIndex.find(MessageKey(fileId, line, false));
        if (message != m_messageIndex.end()) {
            const auto it = m_signalIndex.find(SignalKey(message->second, name));
            if (it != m_signalIndex.end()) {
                return &m_messages[message->second].signals[it->second];
            }
        }
        Warn(line, "정의되지 않은 신호 " + std::to_string(fileId) + " " + std::string(name) +
                       "을(를) 가리켜 건너뛰었읍니다.");
        return nullptr;
    }

    void Comment(int line)
    {
        m_in.SkipSpace();
        if (m_in.AtString()) {
            m_file.comment = m_in.String("주석 문자열");
        } else {
            const std::string_view kind =
                m_in.Identifier("주석 대상 (BU_, BO_, SG_) 또는 주석 문자열");
            if (kind == "BO_") {
                const uint64_t id = m_in.Unsigned("메시지 식별자");
                std::string text = m_in.String("주석 문자열");
                if (DbcMessage* message = FindMessage(id, line)) {
                    message->comment = std::move(text);
                }
            } else if (kind == "SG_") {
                const uint64_t id = m_in.Unsigned("메시지 식별자");
                const std::string_view name = m_in.Identifier("신호 이름");
                std::string text = m_in.String("주석 문자열");
                if (DbcSignal* signal = FindSignal(id, name, line)) {
                    signal->comment = std::move(text);
                }
            } else if (kind == "BU_") {
                const std::string_view name = m_in.Identifier("노드 이름");
                std::string text = m_in.String("주석 문자열");
                const auto it = m_nodeIndex.find(std::string(name));
                if (it != m_nodeIndex.end()) {
                    m_file.nodes[it->second].comment = std::move(text);
                }
            } else {
                // Environment variables and anything newer.
                m_in.SkipStatement();
                return;
            }
        }
        m_in.ExpectChar(';');
    }

    static constexpr std::string_view kCycleTime = "GenMsgCycleTime";

    static int CycleTime(double value)
    {
        if (!(value > 0.0)) {
            return 0;
        }
        return static_cast<int>(
            std::min(std::round(value), double{std::numeric_limits<int>::max()}));
    }

    void AttributeDefault()
    {
        const std::string name = m_in.String("속성 이름");
        if (name != kCycleTime) {
            m_in.SkipStatement();
            return;
        }
        if (!m_in.AtNumber()) {
            // Defined with a type other than a number: not a cycle time.
            m_in.SkipStatement();
            return;
        }
        m_defaultCycleTime = CycleTime(m_in.Number("주기 기본값"));
        m_in.ExpectChar(';');
    }

    void Attribute(int line)
    {
        const std::string name = m_in.String("속성 이름");
        if (name != kCycleTime) {
            m_in.SkipStatement();
            return;
        }
        const std::string_view kind = m_in.TryIdentifier();
        if (kind != "BO_") {
            m_in.SkipStatement();
            return;
        }
        const uint64_t id = m_in.Unsigned("메시지 식별자");
        if (!m_in.AtNumber()) {
            m_in.SkipStatement();
            return;
        }
        const double value = m_in.Number("주기 값");
        m_in.ExpectChar(';');
        if (DbcMessage* message = FindMessage(id, line)) {
            m_explicitCycle[static_cast<size_t>(message - m_messages.data())] = CycleTime(value);
        }
    }

    void ValueNames(int line)
    {
        if (!m_in.AtUnsigned()) {
            // A value description of an environment variable.
            m_in.SkipStatement();
            return;
        }
        const uint64_t id = m_in.Unsigned("메시지 식별자");
        const std::string_view name = m_in.Identifier("신호 이름");
        std::vector<DbcValueName> names;
        while (!m_in.TryChar(';')) {
            if (m_in.AtEnd()) {
                m_in.Fail("';'");
            }
            DbcValueName entry;
            entry.raw = m_in.Integer("값 또는 ';'");
            entry.text = m_in.String("값 설명 문자열");
            names.push_back(std::move(entry));
        }
        DbcSignal* signal = FindSignal(id, name, line);
        if (signal == nullptr) {
            return;
        }
        // The last text given for a raw value stands.
        std::stable_sort(
            names.begin(), names.end(),
            [](const DbcValueName& a, const DbcValueName& b) { return a.raw < b.raw; });
        std::vector<DbcValueName> unique;
        for (auto& entry : names) {
            if (!unique.empty() && unique.back().raw == entry.raw) {
                unique.back() = std::move(entry);
            } else {
                unique.push_back(std::move(entry));
            }
        }
        signal->valueNames = std::move(unique);
    }

    void ValueType(int line)
    {
        const uint64_t id = m_in.Unsigned("메시지 식별자");
        const std::string_view name = m_in.Identifier("신호 이름");
        m_in.TryChar(':');
        const uint64_t type = m_in.Unsigned("값 형식 (0, 1, 2)");
        if (type > 2) {
            m_in.Fail("값 형식 (0, 1, 2)");
        }
        m_in.ExpectChar(';');
        DbcSignal* signal = FindSignal(id, name, line);
        if (signal == nullptr) {
            return;
        }
        const int wanted = type == 1 ? 32 : 64;
        if (type != 0 && signal->length != wanted) {
            Warn(line, "신호 " + signal->name + "은(는) " + std::to_string(signal->length) +
                           "비트라 부동소수점으로 읽을 수 없어 정수로 읽었읍니다.");
            return;
        }
        signal->valueType = type == 0   ? DbcValueType::kInteger
                            : type == 1 ? DbcValueType::kFloat32
                                        : DbcValueType::kFloat64;
    }

    // Past kDbcMaxWarnings, only counted: the last warning says how many more.
    void Warn(int line, std::string text)
    {
        auto& warnings = m_file.warnings;
        if (warnings.size() < kDbcMaxWarnings) {
            warnings.push_back(DbcWarning{line, std::move(text)});
            return;
        }
        ++m_moreWarnings;
        if (warnings.size() == kDbcMaxWarnings) {
            warnings.push_back(DbcWarning{});
        }
        warnings.back() =
            DbcWarning{0, "경고 " + std::to_string(m_moreWarnings) + "개를 더 생략했읍니다."};
    }

    static void Place(DbcSignal& signal, int messageLength)
    {
        signal.firstByte = signal.startBit / 8;
        if (signal.bigEndian) {
            // The most significant bit's position counting from bit 7 of byte
            // 0 downwards, then bit 7 of byte 1 and on.
            const int msb = signal.firstByte * 8 + 7 - signal.startBit % 8;
            const int lsb = msb + signal.length - 1;
            signal.lastByte = lsb / 8;
            signal.shift = 63 - lsb;
        } else {
            signal.lastByte = (signal.startBit + signal.length - 1) / 8;
            signal.shift = signal.startBit;
        }
        signal.fitsMessage = signal.lastByte < messageLength;
    }

    void Finish()
    {
        m_file.messages.reserve(m_messages.size());
        for (size_t i = 0; i < m_messages.size(); ++i) {
            DbcMessage& message = m_messages[i];
            const auto cycle = m_explicitCycle.find(i);
            message.cycleTimeMs =
                cycle != m_explicitCycle.end() ? cycle->second : m_defaultCycleTime;
            bool multiplexed = false;
            for (size_t s = 0; s < message.signals.size(); ++s) {
                DbcSignal& signal = message.signals[s];
                Place(signal, message.length);
                if (!signal.fitsMessage) {
                    Warn(signal.line, "메시지 " + message.name + "의 신호 " + signal.name +
                                          "이(가) 메시지 길이 " + std::to_string(message.length) +
                                          "바이트를 넘어 풀이할 수 없읍니다.");
                }
                if (signal.muxRole == DbcMuxRole::kMultiplexer) {
                    if (message.multiplexer >= 0) {
                        Warn(signal.line,
                             "메시지 " + message.name + "에 멀티플렉서가 둘 이상 있어 첫째 " +
                                 message.signals[static_cast<size_t>(message.multiplexer)].name +
                                 "을(를) 썼읍니다.");
                    } else {
                        message.multiplexer = static_cast<int>(s);
                    }
                }
                multiplexed = multiplexed || signal.muxRole == DbcMuxRole::kMultiplexed;
            }
            if (multiplexed && message.multiplexer < 0) {
                Warn(message.line,
                     "메시지 " + message.name +
                         "에 멀티플렉서가 없어 멀티플렉스 신호를 풀이할 수 없읍니다.");
            }
            m_file.messages.push_back(std::move(message));
        }
    }

    static constexpr long kDiscarded = -2;

    Cursor m_in;
    DbcFile m_file;
    std::vector<DbcMessage> m_messages;
    std::vector<uint64_t> m_generation;  // per message: bumped when it is defined again
    uint64_t m_nextGeneration = 0;
    std::unordered_map<uint32_t, size_t> m_messageIndex;
    std::unordered_map<std::string, size_t> m_signalIndex;  // "message index:name"
    std::unordered_map<std::string, size_t> m_nodeIndex;
    std::unordered_map<size_t, int> m_explicitCycle;  // message index: GenMsgCycleTime
    int m_defaultCycleTime = 0;
    size_t m_moreWarnings = 0;
    long m_current = -1;  // message the next SG_ belongs to; -1: none
};

bool IsUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        uint32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= text.size()) {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

bool ConvertWithIconv(const char* from, std::string_view bytes, std::string& out)
{
    const iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    out.assign(bytes.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    // Two output bytes per input byte are enough for CP949 (a Hangul
    // syllable: 2 bytes in, 3 out), so one call converts all or fails.
    const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0) {
        return false;
    }
    out.resize(out.size() - outLeft);
    return true;
}

// Windows code page 1252; its five unassigned bytes become the C1 controls
// of the same value, as Windows converts them.
std::string Cp1252ToUtf8(std::string_view bytes)
{
    static constexpr uint16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        const uint32_t code = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::string DbcTextToUtf8(std::string_view bytes)
{
    if (IsUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            bytes.remove_prefix(3);
        }
        return std::string(bytes);
    }
    std::string out;
    if (ConvertWithIconv("CP949", bytes, out)) {
        return out;
    }
    return Cp1252ToUtf8(bytes);
}

DbcParseResult ParseDbcText(std::string_view utf8)
{
    DbcParseResult result;
    try {
        result.file = Parser(utf8).Run();
    } catch (const SyntaxError& error) {
        result.file = DbcFile{};
        result.error = DbcError{error.line, error.expected};
    }
    return result;
}

DbcParseResult ParseDbc(std::string_view bytes)
{
    if (bytes.size() > kDbcMaxFileBytes) {
        DbcParseResult result;
        result.error =
            DbcError{0, std::to_string(kDbcMaxFileBytes / (1024 * 1024)) + " MB 이하의 파일"};
        return result;
    }
    return ParseDbcText(DbcTextToUtf8(bytes));
}

DbcParseResult ReadDbcFile(const std::string& path)
{
    DbcParseResult result;
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        result.error = DbcError{0, "읽을 수 있는 파일"};
        return result;
    }
    const std::streamoff size = file.tellg();
    if (size < 0) {
        result.error = DbcError{0, "읽을 수 있는 파일"};
        return result;
    }
    if (static_cast<uint64_t>(size) > kDbcMaxFileBytes) {
        result.error =
            DbcError{0, std::to_string(kDbcMaxFileBytes / (1024 * 1024)) + " MB 이하의 파일"};
        return result;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    file.seekg(0);
    if (!file.read(bytes.data(), size)) {
        result.error = DbcError{0, "읽을 수 있는 파일"};
        return result;
    }
    return ParseDbc(bytes);
}
