#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <variant>

#include "base/Ascii.h"
#include "host/formula/CompiledFormula.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

// Deeper nesting than this is refused rather than risking the stack on a hostile formula; the
// application itself allows 64 levels of nested functions.
constexpr int kMaxDepth = 200;
// A defined name may refer to another; a chain longer than this is taken for a loop.
constexpr int kMaxNameDepth = 16;

struct CannotCompute : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool startsOperand(const Token& t) {
    return t.kind == TokenKind::Reference || t.kind == TokenKind::Name || t.kind == TokenKind::Function ||
           t.kind == TokenKind::OpenParen || t.kind == TokenKind::Bracketed;
}
bool endsOperand(const Token& t) {
    return t.kind == TokenKind::Reference || t.kind == TokenKind::Name || t.kind == TokenKind::CloseParen ||
           t.kind == TokenKind::Bracketed;
}

// The tokens that matter: blanks only where they intersect two references.
std::vector<Token> significantTokens(std::string_view text) {
    std::vector<Token> all;
    FormulaLexer lexer(text);
    Token token;
    while (lexer.next(token)) all.push_back(token);
    std::vector<Token> out;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind != TokenKind::Whitespace) {
            out.push_back(all[i]);
            continue;
        }
        if (!out.empty() && endsOperand(out.back()) && i + 1 < all.size() && startsOperand(all[i + 1])) {
            out.push_back(all[i]);
        }
    }
    return out;
}

class Compiler {
public:
    Compiler(const CompileScope& scope, CompiledFormula& out, int nameDepth)
        : scope_(scope), out_(out), nameDepth_(nameDepth) {}

    void compile(std::string_view text) {
        tokens_ = significantTokens(text);
        pos_ = 0;
        expression();
        if (nameDepth_ == 0 && !scope_.isArray) valueOperand(0);
        if (pos_ != tokens_.size()) throw CannotCompute("unexpected '" + std::string(tokens_[pos_].text) + "'");
    }

private:
    const Token* peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }
    bool peekOperator(std::string_view op) const {
        const Token* t = peek();
        return t && t->kind == TokenKind::Operator && t->text == op;
    }
    bool peekKind(TokenKind kind) const {
        const Token* t = peek();
        return t && t->kind == kind;
    }
    void expect(TokenKind kind, std::string_view what) {
        if (!peekKind(kind)) throw CannotCompute("expected " + std::string(what));
        ++pos_;
    }
    void emit(OpCode op, uint8_t argc = 0, uint32_t index = 0) {
        Instruction ins;
        ins.op = op;
        ins.argc = argc;
        ins.index = index;
        ins.elementwise = arrayContext_ || scope_.isArray;
        out_.code.push_back(ins);
    }
    void emitConstant(Value value) {
        out_.constants.push_back(std::move(value));
        emit(OpCode::Constant, 0, static_cast<uint32_t>(out_.constants.size() - 1));
    }
    void emitNumber(double n) {
        emit(OpCode::Number);
        out_.code.back().data.number = n;
    }

    // An operand that is one cell, where a value is wanted, is read as that cell's value: no
    // reference is built at evaluation time.
    void valueOperand(size_t start) {
        if (out_.code.size() != start + 1) return;
        Instruction& ins = out_.code[start];
        if (ins.op == OpCode::Reference && out_.references[ins.index].area.cellCount() == 1 && !ins.elementwise)
            ins.op = OpCode::CellValue;
    }
    size_t mark() const { return out_.code.size(); }

    struct DepthGuard {
        explicit DepthGuard(int& depth) : depth_(depth) {
            if (++depth_ > kMaxDepth) throw CannotCompute("nested too deeply");
        }
        ~DepthGuard() { --depth_; }
        int& depth_;
    };

    struct BinaryOperator {
        std::string_view text;
        OpCode op;
    };
    using Level = void (Compiler::*)();

    // One level of operators that take two operands, left to right: operands come from the next
    // tighter level.
    void binaryLevel(Level operand, std::initializer_list<BinaryOperator> operators) {
        size_t left = mark();
        (this->*operand)();
        for (;;) {
            const Token* t = peek();
            if (!t || t->kind != TokenKind::Operator) return;
            auto found = std::find_if(operators.begin(), operators.end(),
                                      [&](const BinaryOperator& o) { return o.text == t->text; });
            if (found == operators.end()) return;
            ++pos_;
            valueOperand(left);
            size_t right = mark();
            (this->*operand)();
            valueOperand(right);
            emit(found->op);
        }
    }

    void expression() {
        DepthGuard guard(depth_);
        binaryLevel(&Compiler::concatenation,
                    {{"=", OpCode::Equal}, {"<>", OpCode::NotEqual}, {"<", OpCode::Less},
                     {"<=", OpCode::LessOrEqual}, {">", OpCode::Greater}, {">=", OpCode::GreaterOrEqual}});
    }
    void concatenation() { binaryLevel(&Compiler::additive, {{"&", OpCode::Concat}}); }
    void additive() { binaryLevel(&Compiler::multiplicative, {{"+", OpCode::Add}, {"-", OpCode::Subtract}}); }
    void multiplicative() { binaryLevel(&Compiler::power, {{"*", OpCode::Multiply}, {"/", OpCode::Divide}}); }
    // "^" is evaluated left to right, and a sign binds tighter: -2^2 is 4, 2^3^2 is 64.
    void power() { binaryLevel(&Compiler::percent, {{"^", OpCode::Power}}); }
    void percent() {
        size_t start = mark();
        unary();
        while (peekOperator("%")) {
            ++pos_;
            valueOperand(start);
            emit(OpCode::Percent);
        }
    }
    void unary() {
        DepthGuard guard(depth_);
        if (peekOperator("-") || peekOperator("+")) {
            OpCode op = peekOperator("-") ? OpCode::Negate : OpCode::Plus;
            ++pos_;
            size_t start = mark();
            unary();
            valueOperand(start);
            emit(op);
            return;
        }
        if (peekOperator("@")) {  // implicit intersection written out: the value is taken as single anyway
            ++pos_;
            unary();
            return;
        }
        intersection();
    }
    void intersection() {
        range();
        while (peekKind(TokenKind::Whitespace)) {
            ++pos_;
            range();
            emit(OpCode::Intersect);
        }
    }
    void range() {
        primary();
        while (peekOperator(":")) {
            ++pos_;
            primary();
            emit(OpCode::Range);
        }
    }

    void primary() {
        const Token* t = peek();
        if (!t) throw CannotCompute("the formula ends too early");
        switch (t->kind) {
            case TokenKind::Number: {
                ++pos_;
                emitNumber(std::strtod(std::string(t->text).c_str(), nullptr));
                return;
            }
            case TokenKind::Text: {
                ++pos_;
                emitConstant(Value::text(unquote(t->text)));
                return;
            }
            case TokenKind::Error: {
                ++pos_;
                if (t->prefix && (t->prefix->external || t->prefix->threeD)) throw CannotCompute("external reference");
                auto error = errorFromText(t->body());
                if (!error) throw CannotCompute("unknown error literal");
                emitConstant(Value::error(*error));
                return;
            }
            case TokenKind::Reference: {
                ++pos_;
                reference(*t);
                return;
            }
            case TokenKind::Name: {
                ++pos_;
                name(*t);
                return;
            }
            case TokenKind::Function: {
                ++pos_;
                call(*t);
                return;
            }
            case TokenKind::OpenParen: {
                ++pos_;
                parenthesised();
                return;
            }
            case TokenKind::OpenBrace: {
                ++pos_;
                arrayConstant();
                return;
            }
            case TokenKind::Bracketed: {  // "[@Amount]": a part of the table the formula is in
                ++pos_;
                structured(tableAt(scope_.tables, scope_.hostSheet, scope_.hostRow, scope_.hostColumn), t->text);
                return;
            }
            default:
                throw CannotCompute("unexpected '" + std::string(t->text) + "'");
        }
    }

    // "(a)" or a union "(A1:B2,D4)".
    void parenthesised() {
        expression();
        uint8_t count = 1;
        while (peekKind(TokenKind::Comma)) {
            ++pos_;
            expression();
            if (++count == 255) throw CannotCompute("a union of too many areas");
        }
        expect(TokenKind::CloseParen, "')'");
        if (count > 1) emit(OpCode::Union, count);
    }

    static std::string unquote(std::string_view quoted) {
        std::string out;
        size_t end = quoted.size() >= 2 && quoted.back() == '"' ? quoted.size() - 1 : quoted.size();
        for (size_t i = 1; i < end; ++i) {
            out += quoted[i];
            if (quoted[i] == '"' && i + 1 < end && quoted[i + 1] == '"') ++i;
        }
        return out;
    }

    std::optional<int32_t> sheetOf(const Token& t) {
        if (!t.prefix) return scope_.hostSheet;
        if (t.prefix->external) throw CannotCompute("a reference to another workbook");
        if (t.prefix->threeD) throw CannotCompute("a 3-D reference");
        return scope_.sheetIndex(t.prefix->name());
    }

    static bool movesWhole(const A1Reference& r) {
        auto relative = [](const A1Corner& c) { return c.isCell() && !c.rowAbsolute && !c.columnAbsolute; };
        return relative(r.first) && relative(r.second);
    }

    // References met while a defined name is compiled stay where the name says: only those
    // written in the formula itself move with its copies.
    void emitReference(SheetArea area, std::optional<A1Reference> written) {
        out_.references.push_back(area);
        out_.written.push_back(nameDepth_ == 0 ? written : std::nullopt);
        out_.movesWhole.push_back(out_.written.back() && movesWhole(*out_.written.back()));
        emit(OpCode::Reference, 0, static_cast<uint32_t>(out_.references.size() - 1));
    }

    void reference(const Token& t) {
        if (peekKind(TokenKind::Bracketed)) return tableReference(t);  // a table named like a cell, "T1[A]"
        auto sheet = sheetOf(t);
        if (!sheet) {
            emitConstant(Value::error(ErrorValue::Ref));
            return;
        }
        emitReference(SheetArea{*sheet, t.reference.area()}, t.reference);
    }

    // "Sales[Amount]": table names belong to the workbook, so a sheet prefix does not matter.
    void tableReference(const Token& t) {
        if (t.prefix && t.prefix->external) throw CannotCompute("a reference to another workbook");
        const Token& brackets = tokens_[pos_++];
        structured(findTable(scope_.tables, t.body()), brackets.text);
    }

    void structured(const TableDefinition* table, std::string_view brackets) {
        if (!table) {
            emitConstant(Value::error(ErrorValue::Ref));
            return;
        }
        auto resolved = resolveStructuredReference(*table, brackets, scope_.hostRow);
        if (const auto* error = std::get_if<ErrorValue>(&resolved)) {
            emitConstant(Value::error(*error));
            return;
        }
        emitReference(SheetArea{table->sheet, std::get<Area>(resolved)}, std::nullopt);
    }

    void name(const Token& t) {
        std::string_view body = t.body();
        if (peekKind(TokenKind::Bracketed)) return tableReference(t);
        if (!t.prefix && (base::equalsIgnoringAsciiCase(body, "TRUE") || base::equalsIgnoringAsciiCase(body, "FALSE"))) {
            emitConstant(Value::boolean(base::equalsIgnoringAsciiCase(body, "TRUE")));
            return;
        }
        int32_t sheet = scope_.hostSheet;
        if (t.prefix) {
            auto named = sheetOf(t);
            if (!named) {
                emitConstant(Value::error(ErrorValue::Ref));
                return;
            }
            sheet = *named;
        }
        auto definition = scope_.definedName ? scope_.definedName(body, sheet) : std::nullopt;
        if (!definition && !t.prefix) {
            if (const TableDefinition* table = findTable(scope_.tables, body)) return structured(table, "");
        }
        if (!definition) {
            if (body.size() > 3 && base::equalsIgnoringAsciiCase(body.substr(0, 3), "_xl"))
                throw CannotCompute("the name " + std::string(body));
            emitConstant(Value::error(ErrorValue::Name));
            return;
        }
        if (nameDepth_ >= kMaxNameDepth) throw CannotCompute("defined names refer to each other in a loop");
        // A name is compiled in place, as if its formula were written in parentheses; its
        // unqualified references belong to the formula's sheet.
        Compiler inner(scope_, out_, nameDepth_ + 1);
        inner.depth_ = depth_;
        inner.arrayContext_ = arrayContext_;
        inner.compile(*definition);
    }

    static std::string_view functionName(std::string_view text) {
        std::string_view name = text;
        for (std::string_view prefix : {"_xlfn.", "_xlws."})
            if (name.size() > prefix.size() && base::equalsIgnoringAsciiCase(name.substr(0, prefix.size()), prefix))
                name.remove_prefix(prefix.size());
        return name;
    }

    // Arguments up to the closing parenthesis; an argument left out is Missing.
    // An argument the function takes as a reference or array is computed as an array: operators
    // inside it work cell by cell (SUMPRODUCT((A1:A9="x")*B1:B9)).
    uint32_t arguments(const FunctionDefinition& definition) {
        expect(TokenKind::OpenParen, "'('");
        if (peekKind(TokenKind::CloseParen)) {
            ++pos_;
            return 0;
        }
        uint32_t count = 0;
        for (;;) {
            bool outer = arrayContext_;
            arrayContext_ = outer || definition.takesReference(count);
            size_t start = mark();
            if (peekKind(TokenKind::Comma) || peekKind(TokenKind::CloseParen)) emit(OpCode::Missing);
            else expression();
            if (!definition.takesReference(count)) valueOperand(start);
            arrayContext_ = outer;
            ++count;
            if (peekKind(TokenKind::Comma)) {
                ++pos_;
                continue;
            }
            expect(TokenKind::CloseParen, "')'");
            return count;
        }
    }

    // One argument of a lazy form; a left-out one is Missing.
    void lazyArgument() {
        if (peekKind(TokenKind::Comma) || peekKind(TokenKind::CloseParen)) emit(OpCode::Missing);
        else expression();
    }
    bool nextArgument() {
        if (peekKind(TokenKind::Comma)) {
            ++pos_;
            return true;
        }
        expect(TokenKind::CloseParen, "')'");
        return false;
    }
    uint32_t here() const { return static_cast<uint32_t>(out_.code.size()); }

    void call(const Token& t) {
        std::string_view name = functionName(t.body());
        if (t.prefix) throw CannotCompute("a function of another workbook");
        DepthGuard guard(depth_);
        bool lazy = !(scope_.isArray || arrayContext_) || !scope_.function(name);
        if (lazy && base::equalsIgnoringAsciiCase(name, "IF")) return lazyIf();
        if (lazy && (base::equalsIgnoringAsciiCase(name, "IFERROR") || base::equalsIgnoringAsciiCase(name, "IFNA")))
            return lazyIfError(base::equalsIgnoringAsciiCase(name, "IFNA"));
        if (lazy && base::equalsIgnoringAsciiCase(name, "CHOOSE")) return lazyChoose();
        const FunctionDefinition* definition = scope_.function(name);
        if (!definition || !definition->body) throw CannotCompute("the function " + std::string(name) + " is not available");
        uint32_t count = arguments(*definition);
        if (count < definition->minArguments || (definition->maxArguments != kManyArguments && count > definition->maxArguments) ||
            count > 255)
            throw CannotCompute("wrong number of arguments for " + std::string(name));
        emit(OpCode::Call, static_cast<uint8_t>(count));
        out_.code.back().data.function = definition;
        if (definition->isVolatile) out_.isVolatile = true;
    }

    // condition, JumpIfFalse F, then-branch, Jump E, F: else-branch, E:
    void lazyIf() {
        expect(TokenKind::OpenParen, "'('");
        lazyArgument();
        if (!nextArgument()) throw CannotCompute("IF needs at least two arguments");
        uint32_t jumpFalse = here();
        emit(OpCode::JumpIfFalse);
        lazyArgument();
        uint32_t jumpEnd = here();
        emit(OpCode::Jump);
        out_.code[jumpFalse].index = here();
        if (nextArgument()) {
            lazyArgument();
            expect(TokenKind::CloseParen, "')'");
        } else {
            emit(OpCode::IfMissingBranch);
        }
        out_.code[jumpEnd].index = here();
    }

    // value, JumpIfNotError E, Pop, alternative, E:
    void lazyIfError(bool onlyNA) {
        expect(TokenKind::OpenParen, "'('");
        lazyArgument();
        if (!nextArgument()) throw CannotCompute("IFERROR needs two arguments");
        uint32_t jump = here();
        emit(onlyNA ? OpCode::JumpIfNotNA : OpCode::JumpIfNotError);
        emit(OpCode::Pop);
        lazyArgument();
        expect(TokenKind::CloseParen, "')'");
        out_.code[jump].index = here();
    }

    // index, Choose T, value1, Jump E, value2, Jump E, ..., E: (T lists where each value starts)
    void lazyChoose() {
        expect(TokenKind::OpenParen, "'('");
        lazyArgument();
        if (!nextArgument()) throw CannotCompute("CHOOSE needs at least two arguments");
        out_.jumpTables.emplace_back();
        uint32_t table = static_cast<uint32_t>(out_.jumpTables.size() - 1);
        emit(OpCode::Choose, 0, table);
        std::vector<uint32_t> starts, jumps;
        for (;;) {
            starts.push_back(here());
            lazyArgument();
            jumps.push_back(here());
            emit(OpCode::Jump);
            if (!nextArgument()) break;
        }
        if (starts.size() > 254) throw CannotCompute("CHOOSE has too many values");
        for (uint32_t j : jumps) out_.code[j].index = here();
        starts.push_back(here());
        out_.jumpTables[table] = std::move(starts);
    }

    // {1,2;3,4}: numbers (signed), texts, booleans and errors.
    void arrayConstant() {
        ValueArray array;
        int32_t columns = 0;
        int32_t column = 0;
        for (;;) {
            array.values.push_back(arrayElement());
            ++column;
            if (peekKind(TokenKind::Comma)) {
                ++pos_;
                continue;
            }
            if (columns != 0 && column != columns) throw CannotCompute("the rows of an array constant differ in length");
            columns = column;
            column = 0;
            ++array.rows;
            if (peekKind(TokenKind::Semicolon)) {
                ++pos_;
                continue;
            }
            expect(TokenKind::CloseBrace, "'}'");
            break;
        }
        array.columns = columns;
        emitConstant(Value::array(std::move(array)));
    }
    Value arrayElement() {
        double sign = 1;
        if (peekOperator("-") || peekOperator("+")) {
            sign = peekOperator("-") ? -1 : 1;
            ++pos_;
            if (!peekKind(TokenKind::Number)) throw CannotCompute("a sign without a number in an array constant");
        }
        const Token* t = peek();
        if (!t) throw CannotCompute("an unclosed array constant");
        ++pos_;
        switch (t->kind) {
            case TokenKind::Number: return Value::number(sign * std::strtod(std::string(t->text).c_str(), nullptr));
            case TokenKind::Text: return Value::text(unquote(t->text));
            case TokenKind::Error:
                if (auto error = errorFromText(t->text)) return Value::error(*error);
                break;
            case TokenKind::Name:
                if (base::equalsIgnoringAsciiCase(t->text, "TRUE")) return Value::boolean(true);
                if (base::equalsIgnoringAsciiCase(t->text, "FALSE")) return Value::boolean(false);
                break;
            default: break;
        }
        throw CannotCompute("'" + std::string(t->text) + "' in an array constant");
    }

    const CompileScope& scope_;
    CompiledFormula& out_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
    int nameDepth_ = 0;
    bool arrayContext_ = false;
};

}  // namespace

CompileResult compileFormula(std::string_view text, const CompileScope& scope) {
    CompileResult result;
    CompiledFormula formula;
    try {
        Compiler(scope, formula, 0).compile(text);
    } catch (const CannotCompute& e) {
        result.problem = e.what();
        return result;
    }
    formula.isArithmetic = isArithmeticCode(formula.code);
    result.formula = std::move(formula);
    return result;
}

}  // namespace tavlora::host::formula
