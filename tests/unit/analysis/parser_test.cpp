// The parser on token sequences: what the grammar accepts and rejects, the
// order of the actions it calls, the syntax error report, error recovery and
// the stack limit. Tokens come from a fake source, not the token stream.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "analysis/actions.h"
#include "analysis/parser.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "harness.h"
#include "support/public.h"

namespace mvtest {
namespace {

// One token of the fake source.
struct FakeToken {
  int code;
  std::string text;
  int64_t value;
  double fvalue;
};

// Turns C-like text into tokens as the token stream would hand them over:
// words through the dialect's keyword tables, with these marks:
//   %name   typedef name (313)      ^name   aggregate name (319)
//   @NNNtext  code NNN with the text up to the next blank, e.g. @295( for a
//             prototype's parenthesis, @296( for an old-style list.
std::vector<FakeToken> Tokenize(const std::string& s) {
  static const struct {
    const char* text;
    int code;
  } ops[] = {{"...", 285}, {"<<=", 275}, {">>=", 276}, {"->", 268}, {"++", 265}, {"--", 266},
             {"<<", 263},  {">>", 264},  {"<=", 261},  {">=", 262}, {"==", 259}, {"!=", 260},
             {"&&", 258},  {"||", 257},  {"+=", 270},  {"-=", 271}, {"*=", 272}, {"/=", 273},
             {"%=", 274},  {"&=", 277},  {"^=", 278},  {"|=", 279}, {"::", 281}};
  std::vector<FakeToken> out;
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (isspace(c)) {
      ++i;
      continue;
    }
    size_t j = i + 1;
    if (c == '@' && i + 1 < s.size() && isdigit(static_cast<unsigned char>(s[i + 1]))) {
      while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) ++j;
      const int code = std::stoi(s.substr(i + 1, j - i - 1));
      size_t k = j;
      while (k < s.size() && !isspace(static_cast<unsigned char>(s[k]))) ++k;
      out.push_back({code, s.substr(j, k - j), 0, 0});
      i = k;
      continue;
    }
    if (c == '%' || c == '^') {
      while (j < s.size() && (isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
      if (j > i + 1) {
        out.push_back({c == '%' ? 313 : 319, s.substr(i + 1, j - i - 1), 0, 0});
        i = j;
        continue;
      }
    }
    if (isalpha(c) || c == '_') {
      while (j < s.size() && (isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
      const std::string word = s.substr(i, j - i);
      out.push_back({mv::FindCKeyword(word.c_str()), word, 0, 0});
      i = j;
      continue;
    }
    if (isdigit(c)) {
      while (j < s.size() && (isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      const std::string number = s.substr(i, j - i);
      if (number.find('.') != std::string::npos)
        out.push_back({306, number, 0, std::stod(number)});
      else
        out.push_back({303, number, std::stoll(number), 0});
      i = j;
      continue;
    }
    if (c == '"' || c == '\'') {
      while (j < s.size() && s[j] != static_cast<char>(c)) ++j;
      const std::string literal = s.substr(i, j + 1 - i);
      out.push_back({c == '"' ? 302 : 305, literal, c == '\'' ? s[i + 1] : 0, 0});
      i = j + 1;
      continue;
    }
    bool matched = false;
    for (const auto& op : ops) {
      const size_t n = strlen(op.text);
      if (s.compare(i, n, op.text) == 0) {
        out.push_back({op.code, op.text, 0, 0});
        i += n;
        matched = true;
        break;
      }
    }
    if (matched) continue;
    out.push_back({c, std::string(1, static_cast<char>(c)), 0, 0});
    ++i;
  }
  return out;
}

// The source the parser pulls from while a test runs.
struct FakeSource {
  std::vector<FakeToken> tokens;
  size_t next = 0;
  std::deque<mv::LexToken> records;  // stable addresses for yylvalToken
  int pulled = 0;                    // tokens handed out, end codes included
};
FakeSource* source;

int FakeLex() {
  ++source->pulled;
  mv::yaccPrevType = mv::yaccTokenType;
  mv::yaccPreValue = mv::yaccTokenValue;
  if (source->next >= source->tokens.size()) {
    mv::yaccTokenType = 0;
    mv::yaccTokenValue = "";
    return 0;
  }
  const FakeToken& t = source->tokens[source->next++];
  mv::yaccTokenType = t.code;
  mv::yaccTokenValue = t.text.c_str();
  mv::yylvalInt = t.value;
  mv::yylvalFloat = t.fvalue;
  mv::LexToken& record = source->records.emplace_back();
  memset(&record, 0, sizeof record);
  record.text = const_cast<char*>(t.text.c_str());
  record.type = t.code;
  mv::yylvalToken = &record;
  return t.code;
}

class Parser : public CleanState {
 protected:
  void SetUp() override {
    CleanState::SetUp();
    ResetRuleEngine();
    mv::InitParser();
    outFile_ = tmpfile();
    mv::out = fdopen(dup(fileno(outFile_)), "w");
    mv::thisLine = nullptr;
    mv::yaccTokenType = mv::yaccPrevType = 0;
    mv::yaccTokenValue = mv::yaccPreValue = "";
    source = &source_;
    mv::parserTokenSource = FakeLex;
  }
  void TearDown() override {
    mv::parserTokenSource = nullptr;
    mv::actionTrace = nullptr;
    source = nullptr;
    mv::checkRules = 0;
    mv::FreeMessList(mv::firstMsg);
    mv::firstMsg = mv::lastMsg = nullptr;
    if (mv::out != stderr) fclose(mv::out);
    mv::out = stderr;
    fclose(outFile_);
    CleanState::TearDown();
  }

  static void Dialect(int k) { mv::SetOption('K', k); }

  // Parses the text as a module (with the end-of-module code, as the token
  // stream delivers it) and returns yyparse's result.
  int Parse(const std::string& text, bool endCode = true) {
    source_ = FakeSource{};
    source_.tokens = Tokenize(text);
    if (endCode) source_.tokens.push_back({301, "", 0, 0});
    mv::FreeMessList(mv::firstMsg);
    mv::firstMsg = mv::lastMsg = nullptr;
    return mv::yyparse();
  }

  int ParseRules(const std::string& text) {
    mv::checkRules = 1;
    const int result = Parse(text);
    mv::checkRules = 0;
    return result;
  }

  // Every message issued, in order.
  static std::vector<std::string> Messages() {
    std::vector<std::string> v;
    for (mv::LineMessage* m = mv::firstMsg; m != nullptr; m = m->next) v.emplace_back(m->text);
    return v;
  }

  // The actions of one parse, joined by blanks.
  std::string Trace(const std::string& text, bool rules = false) {
    std::vector<std::string> trace;
    mv::actionTrace = &trace;
    const int result = rules ? ParseRules(text) : Parse(text);
    mv::actionTrace = nullptr;
    EXPECT_EQ(result, 0) << text;
    EXPECT_TRUE(Messages().empty()) << text << "\n" << (Messages().empty() ? "" : Messages()[0]);
    std::string joined;
    for (const std::string& s : trace) joined += (joined.empty() ? "" : " ") + s;
    return joined;
  }

  FakeSource source_;

 private:
  FILE* outFile_ = nullptr;
};

}  // namespace
}  // namespace mvtest

namespace mvtest {
namespace {

// ---- What the grammar accepts -----------------------------------------------

TEST_F(Parser, AcceptsCDeclarations) {
  const char* cases[] = {
      "",
      "int x ;",
      "int x , y , * z ;",
      "static const unsigned long int x ;",
      "long static unsigned const x ;",
      "unsigned ; long long x ; signed char c ; short int s ; long double d ;",
      "const volatile int * const * volatile p ;",
      "int a [ 10 ] , b [ ] , c [ 2 ] [ 3 ] ;",
      "int a [ 3 + 4 * sizeof ( int ) ] ;",
      "int ( x ) ;",
      "int ( * fp ) ( int , char * ) ;",
      "int * ( * fpa [ 4 ] ) ( void ) ;",
      "int * ( * ( * p ) [ 3 ] ) ( ) ;",
      "char ( * ( * x @296( ) ) [ 5 ] ) ( ) ;",
      "int f @295( int a , char * b ) ;",
      "int f @295( void ) , g @295( void ) , x ;",
      "int printf @295( const char * fmt , ... ) ;",
      "int h @295( ... ) ;",
      "int g @295( int , double [ ] , char ( * ) ( int ) , int ( int ) ) ;",
      "int f @295( int a [ ] , int ( * cb ) ( void ) , register int r ) ;",
      "void ( * signal @295( int sig , void ( * func ) ( int ) ) ) ( int ) ;",
      "int f @296( ) ;",
      "x ; * p ; y = 3 ; f @296( ) , g ;",
      "typedef int T ; %T x , * y ; const %T z ; %T const w ;",
      "typedef int ( * FP ) ( int ) ;",
      "typedef struct ^node { int v ; struct ^node * next ; } Node , * PNode ;",
      "struct ^S { int a : 3 , : 2 , b : 5 ; unsigned c ; } s ;",
      "struct ^S { struct { int a ; } inner ; union { int b ; } ; ; } ;",
      "union ^U { int i ; float f ; } ;",
      "struct { int x ; } anon ; struct ^S ; struct ^E { } e ;",
      "struct %T * p ; struct x * q ;",
      "enum ^E { A , B = 2 , C } ;",
      "enum ^E { A , B , } ; enum ^E e ;",
      "enum { X = 1 << 2 , Y = @309X + 1 , @309Z } e ;",
      "int a [ 2 ] = { 1 , 2 } , b = 3 , c [ 2 ] [ 2 ] = { { 1 , 2 } , { 3 , 4 } } ;",
      "struct ^P p = { . x = 1 , . y = { 2 , 3 } , [ 2 ] = 4 , } , q = { } ;",
      "const char * const names [ ] = { \"a\" , \"b\" \"c\" , 0 } ;",
      "int x = - 1 , y = ~ 0 , z = ( 1 ) ;",
      "double d = 1.5 ; char c = 'a' ; int b = @307true || @308false ;",
      "extern int errno ; static int counter = 0 ; auto int a ; register int r ;",
      "int cdecl f @295( void ) ; int * far p ; char * const near q ; __int64 big ;",
      "int x ; ; ;",
      "asm ( \"global\" ) ; @369asm @370}",
  };
  for (const char* c : cases) {
    EXPECT_EQ(Parse(c), 0) << c;
    EXPECT_TRUE(Messages().empty()) << c << "\n" << Messages()[0];
  }
}

TEST_F(Parser, AcceptsFunctionsStatementsAndExpressions) {
  const char* cases[] = {
      "int f @295( void ) { int x ; x = 1 ; return x ; }",
      "int f @296( a , b ) int a ; char * b ; { return a ; }",
      "f @296( ) { }",
      "main @296( argc , argv ) char * * argv ; { }",
      "__inline int f @295( void ) { }",
      "static int counter = 0 ; int main @295( void ) { counter ++ ; return 0 ; }",
      "void f @295( ) { if ( a ) b ( ) ; else if ( c ) d = 1 ; else { } }",
      "void f @295( ) { if ( x ) ; if ( x ) y = 1 ; }",
      "void f @295( ) { while ( i < 10 ) i ++ ; do -- i ; while ( i ) ; }",
      "void f @295( ) { for ( ; ; ) break ; for ( i = 0 ; i < n ; i ++ ) continue ; }",
      "void f @295( ) { for ( int i = 0 ; i < 3 ; i ++ ) ; }",
      "void f @295( ) { while ( x ) { if ( y ) continue ; else break ; } }",
      "void f @295( ) { switch ( x ) { case 1 : case 2 : y = 3 ; break ; default : ; } }",
      "void f @295( ) { switch ( x ) { case 1 ... 3 : ; case 'a' : ; } }",
      "void f @295( ) { lbl : goto lbl ; }",
      "void f @295( ) { goto end ; end : return ; }",
      "void f @295( ) { x = 1 ; y : ; }",
      "void f @295( ) { { int x ; } ; ; }",
      "void f @295( ) { int x = 1 ; %T y ; x = y ; struct ^S s ; }",
      "void f @295( ) { return ; } ;",
      "int f @295( void ) { return ( 1 ) ; }",
      "void f @295( ) { x = a ? b : c , d ; x += y -= z ; x = y = z ; x = ( a , b ) ; }",
      "void f @295( ) { x *= 1 ; x /= 1 ; x %= 1 ; x <<= 1 ; x >>= 1 ; x &= 1 ; x ^= 1 ; x |= 1 ; }",
      "void f @295( ) { x = ( int ) y ; x = sizeof y + sizeof ( int ) + sizeof ( x ) ; }",
      "void f @295( ) { x = a -> b . c [ 3 ] ( 4 , 5 ) ++ ; x = ! ~ - + * & y ; x = a -- ; }",
      "void f @295( ) { x = a || b && c | d ^ e & f == g != h < i > j <= k >= l << m >> n + o - p * q / r % s ; }",
      "void f @295( ) { x = ( * fp ) ( 1 ) ; fp ( ) ; ( void ) g ( ) ; x = f ( ) ( ) ; x = a [ 1 ] [ 2 ] ; }",
      "void f @295( ) { x = ( { int y = 1 ; y ; } ) ; }",
      "void f @295( ) { x = 'a' + 1.5 + 0 ; p = ( char * * ) 0 ; s = \"a\" \"b\" ; }",
      "void f @295( ) { x = ( %T ) y ; x = sizeof ( %T * ) ; x = ( struct ^S * ) p ; }",
      "void f @295( ) { p = ( char far * ) 0 ; q = ( int ( * ) ( void ) ) 0 ; }",
      "void f @295( ) { p = ( struct ^S ) { 1 , 2 } ; p = & a [ 0 ] ; q = * p ++ ; }",
      "void f @295( ) { asm ( \"nop\" ) ; asm ( \"mov %1, %0\" : \"=r\" ( x ) : \"r\" ( y ) : \"memory\" ) ; }",
      "void f @295( ) { asm ( \"\" : : : \"cc\" ) ; @369asm @370} }",
      "void f @295( ) { x = @299_min ( a , b ) ; x = @309RED ; x = ( ( y ) ) ; }",
  };
  for (const char* c : cases) {
    EXPECT_EQ(Parse(c), 0) << c;
    EXPECT_TRUE(Messages().empty()) << c << "\n" << Messages()[0];
  }
}

TEST_F(Parser, AcceptsRuleFiles) {
  const char* cases[] = {
      "",
      "int x ; statistic s ; if ( op_plus ) warn ( 100 , \"x\" ) ;",
      "if ( lin_end ) if ( lin_length > 100 ) warn ( 101 , \"L%d\" , lin_length ) ;",
      "if ( a ) { x = 1 ; } else x = 2 ;",
      "if ( a ) { while ( i < 3 ) i ++ ; switch ( i ) { case 1 : break ; default : ; } }",
      "char * s ; float f ; FILE * fp ; long n ; int a [ 4 ] ;",
      "x = 1 ; f ( x ) ;",
      "if ( a && ! b || c != 1 ) { x += 2 ; }",
  };
  for (const char* c : cases) {
    EXPECT_EQ(ParseRules(c), 0) << c;
    EXPECT_TRUE(Messages().empty()) << c << "\n" << Messages()[0];
  }
}

// ---- What it rejects: each sequence gets a syntax error report --------------

TEST_F(Parser, RejectsMalformedC) {
  const char* cases[] = {
      "int x",
      "int 3 ;",
      "int f @295( int x , ) ;",
      "int f @295( ... , int ) ;",
      "int a [ 3 ;",
      "int ( * ) x ;",
      "struct { int x } s ;",
      "struct ^S { int a : ; } ;",
      "enum { , } ;",
      "int x = { 1 , , 2 } ;",
      "{ }",
      "void f @295( ) { x = ; }",
      "void f @295( ) { if x ) y ; }",
      "void f @295( ) { else x ; }",
      "void f @295( ) { x = ( 1 ; }",
      "void f @295( ) { int x = 1 }",
      "void f @295( ) { case : ; }",
      "void f @295( ) { for ( ; ) ; }",
      "void f @295( ) { return return ; }",
      "void f @295( ) { x = a ? b ; }",
      "void f @295( ) { goto ; }",
      "void f @295( ) { x . 3 ; }",
      "void f @295( ) { sizeof ; }",
      "void f @295( ) { do x ; }",
      "void f @295( ) {",
  };
  for (const char* c : cases) {
    Parse(c);
    const std::vector<std::string> m = Messages();
    ASSERT_FALSE(m.empty()) << c;
    EXPECT_EQ(m[0].rfind("Warning C0000: Syntax error", 0), 0u) << c << "\n" << m[0];
  }
}

TEST_F(Parser, RejectsMalformedRuleFiles) {
  const char* cases[] = {
      "if ( a ) ) ;",
      "if ( a ) { x = ; }",
      "int ;; else",
      "statistic",
  };
  for (const char* c : cases) {
    ParseRules(c);
    ASSERT_FALSE(Messages().empty()) << c;
    EXPECT_EQ(Messages()[0].rfind("Warning C0000: Syntax error", 0), 0u) << c;
  }
}

// A rule file's top-level statements are not C declarations without a type.
TEST_F(Parser, TopLevelStatementsOnlyInRuleFiles) {
  EXPECT_EQ(Trace("x = 1 ;"), "DirectDecl(1) SetOp(op_init,2) CheckDeclarator(1) BeginInit(0) "
                              "DoIntConst(1) InitExpr() CheckInit(1) EndDclList()");
  EXPECT_EQ(Trace("x = 1 ;", true), "DoIdent(0) DoIntConst(1) SetOp(op_assign,2) Compile(61) "
                                    "SetOp(op_semicolon,0) EndExpress() EndStmt(1)");
  Parse("if ( a ) ;");
  EXPECT_FALSE(Messages().empty());
}

}  // namespace
}  // namespace mvtest
