// The parser on token sequences: what the grammar accepts and rejects, the
// order of the actions it calls, the syntax error report, error recovery and
// the stack limit. Tokens come from a fake source, not the token stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "analysis/actions.h"
#include "analysis/declare.h"
#include "analysis/parser.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
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
    ResetAnalysis();
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
    return ParseTokens(Tokenize(text), endCode);
  }

  // A rule file, as the lexer hands it over: the body of `int main()`.
  int ParseRules(const std::string& text) {
    mv::checkRules = 1;
    std::vector<FakeToken> tokens = {{355, "int", 0, 0}, {310, "main", 0, 0}, {295, "(", 0, 0},
                                     {')', ")", 0, 0},   {'{', "{", 0, 0}};
    for (const FakeToken& t : Tokenize(text)) tokens.push_back(t);
    tokens.push_back({'}', "}", 0, 0});
    const int result = ParseTokens(tokens, true);
    mv::checkRules = 0;
    return result;
  }

  int ParseTokens(const std::vector<FakeToken>& tokens, bool endCode) {
    source_ = FakeSource{};
    source_.tokens = tokens;
    mv::InitDeclare();  // as at a module's start: no token of an earlier parse is kept
    if (endCode) source_.tokens.push_back({301, "", 0, 0});
    mv::FreeMessList(mv::firstMsg);
    mv::firstMsg = mv::lastMsg = nullptr;
    return mv::yyparse();
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

  // What went to the warning stream.
  std::string OutText() {
    fflush(mv::out);
    rewind(outFile_);
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, outFile_)) > 0) text.append(buf, n);
    return text;
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
      "extern int f @295( int ) asm ( \"g\" \"h\" ) ; int v asm ( \"w\" ) , u ;",
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
      "void f @295( ) { i = __builtin_va_arg ( ap , int ) ; n = __builtin_offsetof ( struct ^S , m ) ; }",
  };
  for (const char* c : cases) {
    EXPECT_EQ(Parse(c), 0) << c;
    EXPECT_TRUE(Messages().empty()) << c << "\n" << Messages()[0];
  }
}

// Keywords that only some dialects have.
TEST_F(Parser, AcceptsDialectKeywords) {
  struct {
    int dialect;
    const char* text;
  } cases[] = {
      {11, "int * _far p ; int _near n ; char _huge * _near * q ;"},
      {11, "pragma Code ( \"x\" ) ; void f @295( ) { p = ( int _far * ) 0 ; }"},
      {10, "globaldef int g ; noshare int n ; readonly int r ; _align int a ;"},
      {3, "int __cdecl f @295( int __far * p ) ; void __near * __pascal g @295( void ) ;"},
      {3, "unsigned __int8 a ; __int16 b ; __int32 c ; __int64 d ; __segment s ;"},
      {3, "int __based b ; int __self * s ; void __interrupt __loadds __saveregs __fastcall h @295( ) ;"},
      {0, "int f @296( a ) char * a ; { return a [ 0 ] ; }"},
      {4, "inline int f @295( ) ; bool b ; wchar_t w ; mutable int m ; virtual int v ; explicit int e ;"},
  };
  for (const auto& c : cases) {
    Dialect(c.dialect);
    EXPECT_EQ(Parse(c.text), 0) << "-K" << c.dialect << " " << c.text;
    EXPECT_TRUE(Messages().empty()) << c.text << "\n" << Messages()[0];
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

// A rule file's statements are the items of main's body; at file scope the
// same tokens are a C declaration without a type.
TEST_F(Parser, RuleFilesAreTheBodyOfMain) {
  EXPECT_EQ(Trace("x = 1 ;"), "DirectDecl(1) SetOp(op_init,2) CheckDeclarator(1) BeginInit(0) "
                              "DoIntConst(1) InitExpr() CheckInit(1) SetOp(op_semicolon,0) EndDclList()");
  EXPECT_EQ(Trace("x = 1 ;", true),
            "Specifier(355) DirectDecl(1) FunParmStart(3) FunParmEnd(0) FcnDeclarator() PushBlock() "
            "DoIdent(0) DoIntConst(1) SetOp(op_assign,2) Compile(61) SetOp(op_semicolon,0) EndExpress() EndStmt(1) "
            "SetOp(op_close_brace,0) PopBlock()");
}

// ---- The order of the actions ------------------------------------------------

TEST_F(Parser, DeclarationActionsInOrder) {
  struct {
    const char* text;
    const char* trace;
  } cases[] = {
      {"int * a [ 3 ] = { 1 } , b ;",
       "Specifier(355) AttachMod(3) DirectDecl(1) SetOp(op_open_bracket,0) BeginConstant() DoIntConst(3) "
       "EndConstant() SetOp(op_close_bracket,0) AttachMod(4) SetOp(op_init,2) CheckDeclarator(1) BeginInit(0) "
       "DoIntConst(1) InitExpr() CheckInit(0) SetOp(op_separator,0) GetNewType() DirectDecl(1) CheckDeclarator(0) "
       "SetOp(op_semicolon,0) EndDclList()"},
      {"static const char * const p ;",
       "Specifier(340) Specifier(363) Specifier(344) AttachMod(3) PtrQualifier(1) DirectDecl(1) "
       "CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList()"},
      {"int ( * fp ) ( int ) ;",
       "Specifier(355) PushDeclarator() AttachMod(3) DirectDecl(1) PopDeclarator() FunParmStart(3) SetOp(op_open_funargs,0) "
       "Specifier(355) EndParm(5) FunParmEnd(3) SetOp(op_close_funargs,0) CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList()"},
      {"int f @295( int x , char * ) , g @296( ) ;",
       "Specifier(355) DirectDecl(1) FunParmStart(3) SetOp(op_open_funargs,0) Specifier(355) DirectDecl(1) EndParm(2) "
       "SetOp(op_separator,0) MoreParms() Specifier(344) AttachMod(3) EndParm(3) FunParmEnd(3) SetOp(op_close_funargs,0) CheckDeclarator(0) "
       "SetOp(op_separator,0) GetNewType() DirectDecl(1) FunParmStart(2) SetOp(op_open_funargs,0) FunParmEnd(0) SetOp(op_close_funargs,0) CheckDeclarator(0) "
       "SetOp(op_semicolon,0) EndDclList()"},
      {"int f @295( const char * , ... ) ;",
       "Specifier(355) DirectDecl(1) FunParmStart(3) SetOp(op_open_funargs,0) Specifier(363) Specifier(344) AttachMod(3) EndParm(3) "
       "SetOp(op_separator,0) Do3Dots(3) FunParmEnd(3) SetOp(op_close_funargs,0) CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList()"},
      {"typedef %T * P ;",
       "Specifier(337) Specifier(313) AttachMod(3) DirectDecl(1) CheckDeclarator(0) SetOp(op_semicolon,0) "
       "EndDclList()"},
      {"enum ^E { A , B = 2 , } ;",
       "Specifier(353) DeclareTag(E,353) StartMembers(353) DirectDecl(2) AddEnum() DirectDecl(2) BeginConstant() "
       "DoIntConst(2) EndConstant() AddEnum() EnumComma() EndMembers() SetOp(op_semicolon,0) EmptyDeclaration() "
       "EndDclList()"},
      {"struct ^S { int a : 3 , : 2 ; } s ;",
       "Specifier(350) DeclareTag(S,350) ClassHead() StartMembers(350) StartClassBody() Specifier(355) "
       "DirectDecl(1) BeginConstant() DoIntConst(3) EndConstant() DoBitField() CheckMember() SetOp(op_separator,0) "
       "GetNewType() DirectDecl(3) BeginConstant() DoIntConst(2) EndConstant() DoBitField() CheckMember() "
       "SetOp(op_semicolon,0) EndDclList() EndClassBody() EndMembers() DirectDecl(1) CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList()"},
      {"union { float f ; } u ;",
       "Specifier(351) DeclareTag(,351) ClassHead() StartMembers(351) StartClassBody() Specifier(348) "
       "DirectDecl(1) CheckMember() SetOp(op_semicolon,0) EndDclList() EndClassBody() EndMembers() DirectDecl(1) CheckDeclarator(0) SetOp(op_semicolon,0) "
       "EndDclList()"},
  };
  for (const auto& c : cases) EXPECT_EQ(Trace(c.text), c.trace) << c.text;
}

TEST_F(Parser, FunctionDefinitionActionsInOrder) {
  struct {
    const char* text;
    const char* trace;
  } cases[] = {
      {"int f @295( int x ) { return x ; }",
       "Specifier(355) DirectDecl(1) FunParmStart(3) SetOp(op_open_funargs,0) Specifier(355) DirectDecl(1) EndParm(2) FunParmEnd(3) SetOp(op_close_funargs,0) "
       "FcnDeclarator() PushBlock() SetOp(op_open_brace,0) SetOp(op_return,0) BeginReturn(0) DoIdent(0) SetOp(op_semicolon,0) "
       "DoReturn(88,1) EndStmt(1) SetOp(op_close_brace,0) PopBlock()"},
      {"int f @296( a , b ) int a ; { }",
       "Specifier(355) DirectDecl(1) FunParmStart(2) SetOp(op_open_funargs,0) DirectDecl(0) EndParm(2) SetOp(op_separator,0) MoreParms() "
       "DirectDecl(0) EndParm(2) FunParmEnd(2) SetOp(op_close_funargs,0) FcnDeclarator() Specifier(355) DirectDecl(1) CheckDeclarator(0) "
       "SetOp(op_semicolon,0) EndDclList() OldstyleFcn() PushBlock() SetOp(op_open_brace,0) SetOp(op_close_brace,0) PopBlock()"},
      {"f @296( ) { int i ; { return ; } }",
       "DirectDecl(1) FunParmStart(2) SetOp(op_open_funargs,0) FunParmEnd(0) SetOp(op_close_funargs,0) FcnDeclarator() PushBlock() SetOp(op_open_brace,0) Specifier(355) DirectDecl(1) "
       "CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList() EndStmt(0) PushBlock() SetOp(op_open_brace,0) SetOp(op_return,0) "
       "BeginReturn(0) SetOp(op_semicolon,0) DoReturn(88,0) EndStmt(1) SetOp(op_close_brace,0) PopBlock() "
       "SetOp(op_close_brace,0) PopBlock()"},
  };
  for (const auto& c : cases) EXPECT_EQ(Trace(c.text), c.trace) << c.text;
}

// C++ declarations: the class's own actions around the member actions, a
// member function's body read in place between StartClassBody and
// EndClassBody, constructors, destructors, operator names and qualifiers.
TEST_F(Parser, CppDeclarationActionsInOrder) {
  struct {
    const char* text;
    const char* trace;
  } cases[] = {
      {"@390class ^C @293: @393virtual @399private @315B { @399public : @314C @295( ) { } } ;",
       "Specifier(390) DeclareTag(C,390) ClassHead() StartBase() SetAccess(2) BaseName() StartMembers(390) "
       "StartClassBody() SetAccess(0) DirectDecl(1) FunParmStart(3) SetOp(op_open_funargs,0) FunParmEnd(0) "
       "SetOp(op_close_funargs,0) FcnDeclarator() PushBlock() SetOp(op_open_brace,0) SetOp(op_close_brace,0) "
       "PopBlock() EndClassBody() EndMembers() SetOp(op_semicolon,0) EmptyDeclaration() EndDclList()"},
      {"@316C :: @280~ C @295( ) @383throw ( ) { }",
       "SetOp(op_scope,0) DirectDecl(1) FunParmStart(3) SetOp(op_open_funargs,0) FunParmEnd(0) "
       "SetOp(op_close_funargs,0) FcnDeclarator() PushBlock() SetOp(op_open_brace,0) SetOp(op_close_brace,0) "
       "PopBlock()"},
      {"int @316C :: @380operator + @295( ) ;",
       "Specifier(355) SetOp(op_scope,0) DirectDecl(4) FunParmStart(3) SetOp(op_open_funargs,0) FunParmEnd(0) "
       "SetOp(op_close_funargs,0) CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList()"},
      {"@391namespace @320N { int @316C :: * p ; }",
       "NamespaceStart() Specifier(355) SetOp(op_scope,0) SetOp(op_memptr,0) AttachMod(3) DirectDecl(1) "
       "CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList() NamespaceEnd()"},
      {"@339extern \"C\" { int x ; }",
       "LinkageStart() Specifier(355) DirectDecl(1) CheckDeclarator(0) SetOp(op_semicolon,0) EndDclList() "
       "LinkageEnd()"},
  };
  for (const auto& c : cases) EXPECT_EQ(Trace(c.text), c.trace) << c.text;
}

// Statements inside a function body; the trace starts after the body's PushBlock.
TEST_F(Parser, StatementActionsInOrder) {
  struct {
    const char* body;
    const char* trace;
  } cases[] = {
      {"if ( a ) b = 1 ; else c ( ) ;",
       "SetOp(op_if,0) BeginIf() DoIdent(0) EndFullExpr() DoIf() DoIdent(0) DoIntConst(1) SetOp(op_assign,2) Compile(61) "
       "SetOp(op_semicolon,0) EndExpress() EndStmt(1) DoThen() SetOp(op_else,0) DoElse() DoIdent(1) DoFunc(0) "
       "DoCall() SetOp(op_semicolon,0) EndExpress() EndStmt(1) EndElse() EndIf() EndStmt(2)"},
      {"if ( a ) if ( b ) ; else ;",
       "SetOp(op_if,0) BeginIf() DoIdent(0) EndFullExpr() DoIf() SetOp(op_if,0) BeginIf() DoIdent(0) EndFullExpr() DoIf() "
       "SetOp(op_semicolon,0) EmptyStatement() EndStmt(1) DoThen() SetOp(op_else,0) DoElse() SetOp(op_semicolon,0) "
       "EmptyStatement() EndStmt(1) EndElse() EndIf() EndStmt(2) DoThen() NoElse() EndIf() EndStmt(2)"},
      {"while ( i ) i -- ;",
       "SetOp(op_while_1,0) BeginWhile() DoIdent(0) EndFullExpr() DoWhile() DoIdent(0) SetOp(op_post_decr,1) Compile(538) "
       "SetOp(op_semicolon,0) EndExpress() EndStmt(1) EndWhile() EndStmt(2)"},
      {"do ; while ( i ) ;",
       "SetOp(op_do,0) BeginDo() SetOp(op_semicolon,0) EmptyStatement() EndStmt(1) SetOp(op_while_2,0) MidDo() "
       "DoIdent(0) SetOp(op_semicolon,0) DoTest() EndStmt(2)"},
      {"for ( i = 0 ; i ; ) break ;",
       "SetOp(op_for,0) BeginFor() DoIdent(0) DoIntConst(0) SetOp(op_assign,2) Compile(61) SetOp(op_semicolon,0) "
       "DoFor() DoIdent(0) SetOp(op_semicolon,0) DoTest() EndFullExpr() DoBlock1() SetOp(op_break,0) BeginJump(12) DoBreak() "
       "SetOp(op_semicolon,0) EndStmt(1) DoBlock2() EndStmt(2)"},
      {"switch ( x ) { case 1 : continue ; default : ; }",
       "SetOp(op_switch,0) BeginSwitch() DoIdent(0) EndFullExpr() DoSwitch() PushBlock() SetOp(op_open_brace,0) SetOp(op_case,0) BeginCase() "
       "BeginConstant() DoIntConst(1) EndConstant() DoCase() DoLabel(0) SetOp(op_continue,0) BeginJump(13) "
       "SetOp(op_semicolon,0) EndStmt(1) SetOp(op_default,0) DoDefault() DoLabel(0) SetOp(op_semicolon,0) "
       "EmptyStatement() EndStmt(1) "
       "SetOp(op_close_brace,0) PopBlock() EndSwitch() EndStmt(2)"},
      {"L : goto L ;",
       "DoLabel(1) SetOp(op_goto,0) BeginJump(15) SetOp(op_semicolon,0) CheckGoto() EndStmt(1)"},
      {"x = ( { 1 ; } ) ;",
       "DoIdent(0) StartGnuBlock() PushBlock() SetOp(op_open_brace,0) DoIntConst(1) SetOp(op_semicolon,0) EndExpress() EndStmt(1) "
       "SetOp(op_close_brace,0) PopBlock() EndGnuBlock() SetOp(op_assign,2) Compile(61) SetOp(op_semicolon,0) "
       "EndExpress() EndStmt(1)"},
  };
  for (const auto& c : cases) {
    const std::string all = Trace(std::string("f @296( ) { ") + c.body + " }");
    const std::string head =
        "DirectDecl(1) FunParmStart(2) SetOp(op_open_funargs,0) FunParmEnd(0) SetOp(op_close_funargs,0) "
        "FcnDeclarator() PushBlock() SetOp(op_open_brace,0) ";
    const std::string tail = " SetOp(op_close_brace,0) PopBlock()";
    ASSERT_EQ(all.rfind(head, 0), 0u) << all;
    ASSERT_GE(all.size(), head.size() + tail.size());
    EXPECT_EQ(all.substr(head.size(), all.size() - head.size() - tail.size()), c.trace) << c.body;
  }
}

// Operands come before their operator, as the pseudocode needs them.
TEST_F(Parser, ExpressionActionsInOrder) {
  struct {
    const char* text;
    const char* trace;
  } cases[] = {
      {"if ( op_plus && lin_length > 80 ) ;",
       "SetOp(op_if,0) BeginIf() DoIdent(0) DoIdent(0) DoIntConst(80) SetOp(op_more,2) Compile(62) "
       "SetOp(op_log_and,2) Compile(258) EndFullExpr() DoIf() SetOp(op_semicolon,0) EmptyStatement() EndStmt(1) DoThen() "
       "NoElse() EndIf() EndStmt(2)"},
      {"x = a - b * - c ;",
       "DoIdent(0) DoIdent(0) DoIdent(0) DoIdent(0) DoNegate() SetOp(op_mul,2) Compile(42) SetOp(op_subt,2) "
       "Compile(45) SetOp(op_assign,2) Compile(61) SetOp(op_semicolon,0) EndExpress() EndStmt(1)"},
      {"warn ( 1 , \"a\" \"b\" , f ( ) ) ;",
       "DoIdent(1) DoFunc(0) DoIntConst(1) DoFunArg() SetOp(op_separator,0) DoString() DoFunArg() "
       "SetOp(op_separator,0) DoIdent(1) DoFunc(0) DoCall() DoFunArg() DoCall() SetOp(op_semicolon,0) EndExpress() "
       "EndStmt(1)"},
      {"i += a [ 2 ] ++ ;",
       "DoIdent(0) DoIdent(0) SetOp(op_open_bracket,0) DoIntConst(2) SetOp(op_close_bracket,0) "
       "SetOp(op_subscript,2) Compile(269) SetOp(op_post_incr,1) "
       "Compile(536) SetOp(op_add_assign,2) Compile(270) SetOp(op_semicolon,0) EndExpress() EndStmt(1)"},
      {"x = ( a ) ? ! b : 'c' ;",
       "DoIdent(0) SetOp(op_open_paren,0) DoIdent(0) SetOp(op_close_paren,0) DoIdent(0) SetOp(op_log_not,1) "
       "Compile(33) DoCharConst(99) SetOp(op_cond,3) EndCondExp() SetOp(op_assign,2) Compile(61) "
       "SetOp(op_semicolon,0) EndExpress() EndStmt(1)"},
      {"x = ( char * ) sizeof ( %T ) ;",
       "DoIdent(0) PushDState(1) Specifier(344) AttachMod(3) DoTypeName() PopDState() BeginSizeof() "
       "PushDState(1) Specifier(313) DoTypeName() PopDState() DoSizeof(1) SetOp(op_sizeof,1) Compile(334) "
       "CompileCast() SetOp(op_assign,2) Compile(61) SetOp(op_semicolon,0) EndExpress() EndStmt(1)"},
      {"p -> q . r = 1.5 , s ;",
       "DoIdent(0) CPPMember(268) SetOp(op_arrow,2) CPPMember(46) SetOp(op_member,2) DoFloatConst(1.5) "
       "SetOp(op_assign,2) Compile(61) DoIdent(0) SetOp(op_comma,2) SetOp(op_semicolon,0) EndExpress() "
       "EndStmt(1)"},
  };
  const std::string head = "Specifier(355) DirectDecl(1) FunParmStart(3) FunParmEnd(0) FcnDeclarator() PushBlock() ";
  const std::string tail = " SetOp(op_close_brace,0) PopBlock()";
  for (const auto& c : cases) {
    const std::string all = Trace(c.text, true);
    ASSERT_EQ(all.rfind(head, 0), 0u) << all;
    ASSERT_GE(all.size(), head.size() + tail.size());
    EXPECT_EQ(all.substr(head.size(), all.size() - head.size() - tail.size()), c.trace) << c.text;
  }
}

// ---- The syntax error report ----------------------------------------------------

TEST_F(Parser, ReportsAsExactText) {
  struct {
    const char* text;
    std::vector<std::string> messages;
  } cases[] = {
      // A keyword where an expression belongs: the list wraps before column
      // 76 with four blanks, and warning 35 follows.
      {"int x = int ;",
       {"Warning C0000: Syntax error at int.\n"
        "  Expected !, &, (, *, +, -, {, ~, ++, --, string, numeric constant, \n"
        "    identifier, sizeof.",
        "Warning C0035: A reserved keyword may have been used as an identifier."}},
      // Tokens whose text does not say what they are get their word.
      {"int x = %T ;",
       {"Warning C0000: Syntax error at T (typedef name).\n"
        "  Expected !, &, (, *, +, -, {, ~, ++, --, string, numeric constant, \n"
        "    identifier, sizeof."}},
      {"int x = @295( ;",
       {"Warning C0000: Syntax error at (function parameter type list).\n"
        "  Expected !, &, (, *, +, -, {, ~, ++, --, string, numeric constant, \n"
        "    identifier, sizeof."}},
      // Many acceptable type keywords make one "type specifier".
      {"3",
       {"Warning C0000: Syntax error at 3.\n"
        "  Expected end-of-line, (, *, semicolon, EOF, identifier, typedef name, \n"
        "    typedef, type specifier, const, volatile, segment, <assembler>, \n"
        "    forceinline, type modifier, self, import."}},
      {"int x ^S ;",
       {"Warning C0000: Syntax error at S (tag name).\n"
        "  Expected {, typedef name, typedef, type specifier, const, volatile, \n"
        "    segment, forceinline, type modifier, self, import."}},
      // The end of the module has no text.
      {"int a [ 3", {"Warning C0000: Syntax error.\n  Expected ]."}},
      {"void f @295( ) { do x ; }", {"Warning C0000: Syntax error at }.\n  Expected while."}},
      // The previous token is a keyword: warning 35.
      {"enum 3 ;",
       {"Warning C0000: Syntax error at 3.\n  Expected {.",
        "Warning C0035: A reserved keyword may have been used as an identifier."}},
      // Recognisable mistakes: the report, then their warning.
      {"void f @295( ) { if ( x y = 1 ; }",
       {"Warning C0000: Syntax error at y (identifier).\n  Expected ), comma.",
        "Warning C0007: Missing right parenthesis."}},
      {"void f @295( ) { x = 1 y = 2 ; }",
       {"Warning C0000: Syntax error at y (identifier).\n  Expected comma, semicolon.",
        "Warning C0006: Previous semicolon missing?"}},
      {"struct ^S { int x 3 ; int y ; } ;",
       {"Warning C0000: Syntax error at 3.\n  Expected comma, semicolon.",
        "Warning C0014: Error in member declaration."}},
      {"typedef int 3 ;",
       {"Warning C0000: Syntax error at 3.\n"
        "  Expected (, *, semicolon, identifier, typedef name, typedef, \n"
        "    type specifier, const, volatile, segment, forceinline, type modifier, \n"
        "    self, import.",
        "Warning C0035: A reserved keyword may have been used as an identifier.",
        "Warning C0013: Illegal or repeated typedef."}},
      {"typedef typedef int x ;", {"Warning C0013: Illegal or repeated typedef."}},
  };
  for (const auto& c : cases) {
    Parse(c.text);
    EXPECT_EQ(Messages(), c.messages) << c.text;
  }
}

// While a rule file is compiled only the rule language's tokens are listed.
TEST_F(Parser, RuleFileReportListsRuleTokensOnly) {
  ParseRules("if ( a ) ) ;");
  EXPECT_EQ(Messages(), std::vector<std::string>{
                            "Warning C0000: Syntax error at ).\n"
                            "  Expected !, &, (, *, +, -, semicolon, {, ~, ++, --, string, \n"
                            "    numeric constant, identifier, break, case, continue, default, if, \n"
                            "    switch, while."});
}

TEST_F(Parser, ReportLeavesOutWhatDoesNotFit) {
  // The token's text would overflow the 2048 characters: it is left out,
  // the rest of the report is made.
  const std::string name(2100, 'n');
  Parse("int x " + name + " ;");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "Warning C0000: Syntax error (identifier).\n  Expected {, typedef name, typedef, "
                           "type specifier, const, volatile, \n    segment, forceinline, type modifier, self, "
                           "import.");
  // A text that leaves a few characters to spare: each piece that does not
  // fit any more is dropped (the word, the list's head, "semicolon"), the
  // short ones still go in, and the report stays below 2048 characters.
  const std::string longer(2020, 'm');
  Parse("int x = " + longer + " " + longer + " ;");
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages()[0], "Warning C0000: Syntax error at " + longer + "comma, .");
}

TEST_F(Parser, ReportsSuppressed) {
  // After asm or pragma the report is not issued; recovery still runs.
  EXPECT_EQ(Parse("void f @295( ) { asm 3 ; x = 1 ; }"), 0);
  EXPECT_TRUE(Messages().empty());
  Dialect(11);
  EXPECT_EQ(Parse("pragma Off ( a , 1 ) ; void f @295( ) { pragma On ( ) ; pragma 3 ; } pragma ; int x ;"), 0);
  EXPECT_TRUE(Messages().empty());
  Dialect(3);
  // A class template already diagnosed: one report is swallowed, with its
  // warning 35.
  mv::zapError = true;
  Parse("int 3 ; int 4 ; int x ; int 5 ;");
  EXPECT_FALSE(mv::zapError);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0].rfind("Warning C0000: Syntax error at 5.", 0), 0u);
  EXPECT_EQ(Messages()[1], "Warning C0035: A reserved keyword may have been used as an identifier.");
}

// Each report reaches the rules through err_syntax, with the number plus one.
TEST_F(Parser, ReportsFireErrSyntax) {
  static std::vector<int> values;
  values.clear();
  mv::errSyntaxHook = [](int value) { values.push_back(value); };
  Parse("int 3 ; int x y ;");
  EXPECT_EQ(values, (std::vector<int>{1, 36, 1}));
}

TEST_F(Parser, ReportStepsNeedTheFirstStep) {
  EXPECT_EQ(RunExpectingExit([] { mv::yyerror(1, ';'); }), 39);
  mv::InitParser();
  EXPECT_EQ(RunExpectingExit([] { mv::yyerror(2, 0); }), 39);
  mv::yyerror(0, 0);
  EXPECT_EQ(RunExpectingExit([] { mv::yyerror(2, 0); }), -1);
}

// ---- Error recovery -------------------------------------------------------------

TEST_F(Parser, NewReportOnlyAfterThreeTokensShifted) {
  struct {
    const char* text;
    size_t reports;
  } cases[] = {
      // After the error: ';' int z shifted, then w is reported.
      {"int x y ; int z w ;", 2},
      // ';' z shifted: w is not reported.
      {"int x y ; z w ;", 1},
      {"void f @295( ) { x = ; y = ; }", 2},
      {"void f @295( ) { x = ; ; }", 1},
      {"void f @295( ) { x = ; y ; z = ; }", 2},
      {"void f @295( ) { x = ; y ) ; }", 1},
      {"void f @295( ) { x = ; y = ) ; }", 2},
  };
  for (const auto& c : cases) {
    Parse(c.text);
    size_t reports = 0;
    for (const std::string& m : Messages()) reports += m.rfind("Warning C0000: Syntax error", 0) == 0;
    EXPECT_EQ(reports, c.reports) << c.text;
  }
}

TEST_F(Parser, RecoversOrGivesUp) {
  // Recovered: yyparse accepts the module; the parse went on after the error.
  std::vector<std::string> trace;
  mv::actionTrace = &trace;
  EXPECT_EQ(Parse("int 3 ; long y ;"), 0);
  mv::actionTrace = nullptr;
  EXPECT_EQ(trace.back(), "EndDclList()");
  EXPECT_NE(std::find(trace.begin(), trace.end(), "Specifier(360)"), trace.end());
  // The end of input while recovering: given up.
  EXPECT_EQ(Parse("void f @295( ) { x = ", false), 1);
  EXPECT_EQ(Parse("int x = ) ", false), 1);
}

// ---- The stack ---------------------------------------------------------------

TEST_F(Parser, DeepNestingIsFatal31) {
  const auto nested = [](int depth) {
    return "int x = " + std::string(depth, '(') + "1" + std::string(depth, ')') + " ;";
  };
  EXPECT_EQ(Parse(nested(100)), 0);
  EXPECT_TRUE(Messages().empty());
  const std::string deep = nested(200);
  EXPECT_EQ(RunExpectingExit([&] { Parse(deep); }), 31);
  EXPECT_NE(OutText().find("Fatal error E0031: Morvane parser stack overflow."), std::string::npos);
  // The deepest point of `int x = ` + n parentheses + k minus signs + `1`
  // holds 7 + 2n + k states: the initial state, the module, the specifiers,
  // the declarator, '=' and the initializer's action, then per parenthesis
  // the parenthesis and its action, per minus sign the sign, and the 1.
  const auto signs = [](int depth, int minus) {
    std::string text = "int x = " + std::string(depth, '(');
    for (int i = 0; i < minus; ++i) text += " -";
    return text + " 1" + std::string(depth, ')') + " ;";
  };
  mv::errorFlag = false;
  EXPECT_EQ(Parse(signs(121, 1)), 0);  // 250 states
  const std::string over = signs(121, 2);  // 251 states
  EXPECT_EQ(RunExpectingExit([&] { Parse(over); }), 31);
  // A fresh parse starts with an empty stack.
  mv::errorFlag = false;
  EXPECT_EQ(Parse(nested(100)), 0);
}

// ---- Display words ------------------------------------------------------------

TEST_F(Parser, DisplayWords) {
  // Each check starts a report, which makes every once-only word available.
  const auto word = [](int code) -> std::string {
    mv::yyerror(0, 0);
    const char* w = mv::yydisplay(code);
    return w != nullptr ? w : "(none)";
  };
  struct {
    int dialect;
    int code;
    const char* word;
  } cases[] = {
      {3, 0, "end-of-line"}, {3, 7, "\\a"}, {3, 9, "\\t"}, {3, 13, "\\r"}, {3, 44, "comma"},
      {3, 46, "period"}, {3, 58, "colon"}, {3, 59, "semicolon"}, {3, 256, "(none)"}, {3, 299, "(none)"},
      {3, 301, "EOF"}, {3, 525, "end-of-line"}, {3, 'a', "a"}, {3, '{', "{"}, {3, ' ', " "}, {3, '7', "7"},
      {3, 1, "CHAR_1"}, {3, 127, "CHAR_127"}, {3, 200, "CHAR_200"}, {3, 303, "numeric constant"},
      {3, 306, "numeric constant"}, {3, 339, "type specifier"}, {3, 362, "type specifier"},
      {3, 410, "type specifier"}, {3, 353, "type specifier"}, {0, 353, "(none)"}, {0, 354, "void"},
      {3, 390, "T390"}, {4, 390, "type specifier"}, {3, 518, "type modifier"}, {3, 562, "type modifier"},
      {3, 554, "import"}, {3, 368, "(none)"}, {3, 302, "string"}, {3, 309, "identifier"},
      {3, 310, "identifier"}, {3, 313, "typedef name"}, {3, 319, "tag name"}, {3, 539, "declspec"},
      {3, 257, "||"}, {3, 285, "..."}, {0, 285, "(none)"}, {0, 363, "(none)"}, {3, 363, "const"},
      {3, 291, ":>"}, {1, 291, "(none)"}, {3, 286, "(none)"}, {11, 286, ".."}, {11, 290, "CC"},
      // C++ only words; in C the same codes have none, or the fallback.
      {3, 281, "(none)"}, {4, 281, "::"}, {3, 292, "(none)"}, {4, 292, "="}, {6, 292, "="},
      {3, 293, "(none)"}, {4, 293, "colon"}, {3, 294, "("}, {4, 294, "(C++ initializer)"},
      {4, 295, "(prototyped fcn param list)"}, {4, 296, "(oldstyle fcn param list)"},
      {4, 297, "(C++ cast or constructor call)"}, {3, 312, "(none)"}, {4, 312, "cast"}, {4, 394, "inline"},
      {7, 405, "except"}, {7, 406, "finally"}, {4, 405, "T405"}, {3, 386, "(none)"},
      {3, 311, "T311"}, {4, 311, "template parameter"}, {4, 315, "current class name"},
      {4, 316, "scope name"}, {4, 317, "template name"}, {4, 318, "template name"}, {3, 317, "T317"},
      {3, 600, "T600"},
  };
  for (const auto& c : cases) {
    Dialect(c.dialect);
    EXPECT_EQ(word(c.code), c.word) << "-K" << c.dialect << " code " << c.code;
  }
}

TEST_F(Parser, DisplayWordsOncePerReport) {
  mv::yyerror(0, 0);
  for (int code : {303, 309, 339, 518, 313}) EXPECT_NE(mv::yydisplay(code), nullptr) << code;
  for (int code : {306, 310, 360, 559, 313}) EXPECT_EQ(mv::yydisplay(code), nullptr) << code;
  // A new report makes them available again, also for its own token.
  Parse("int x = %T %T ;");
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages()[0].rfind("Warning C0000: Syntax error at T (typedef name).", 0), 0u);
}

TEST_F(Parser, DisplayWordsOfRuleFiles) {
  mv::checkRules = 1;
  const auto word = [](int code) -> std::string {
    mv::yyerror(0, 0);
    const char* w = mv::yydisplay(code);
    return w != nullptr ? w : "(none)";
  };
  EXPECT_EQ(word(310), "identifier");
  EXPECT_EQ(word(376), "statistic");
  EXPECT_EQ(word(344), "type specifier");
  EXPECT_EQ(word(267), "-");
  EXPECT_EQ(word(59), "semicolon");
  EXPECT_EQ(word(360), "(none)");
  EXPECT_EQ(word(268), "(none)");
  EXPECT_EQ(word(410), "(none)");
  EXPECT_EQ(word(313), "(none)");
  EXPECT_EQ(word(328), "(none)");
  mv::checkRules = 0;
}

// ---- Through the real token stream --------------------------------------------

class ParserOnTokenStream : public SourceState {
 protected:
  void SetUp() override {
    SourceState::SetUp();
    mv::InitParser();
    mv::InitTokens();
    mv::ClearNewKeywords();
    mv::directiveHook = mv::SkipDirectiveLine;
  }
  void TearDown() override {
    EndInput();
    mv::ClearNewKeywords();
    mv::parserAttached = false;
    SourceState::TearDown();
  }
  int ParseModule(const std::string& text) {
    PushModule(text);
    mv::LexInit();
    mv::TokenInit();
    const int result = mv::yyparse();
    EndInput();
    return result;
  }
};

TEST_F(ParserOnTokenStream, ParsesAModuleToItsEnd) {
  std::vector<std::string> trace;
  mv::actionTrace = &trace;
  EXPECT_EQ(ParseModule("int x = 1;\n\nlong f(void)\n{\n  return x + 2;\n}\n"), 0);
  mv::actionTrace = nullptr;
  EXPECT_EQ(Out().find("Syntax error"), std::string::npos) << Out();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), "PopBlock()");
  EXPECT_NE(std::find(trace.begin(), trace.end(), "DoIntConst(2)"), trace.end());
}

// The lexer wraps a rule file into main's body; the grammar needs no more.
TEST_F(ParserOnTokenStream, ParsesARuleFile) {
  mv::checkRules = 1;
  mv::notRules = 0;
  std::vector<std::string> trace;
  mv::actionTrace = &trace;
  const int result = ParseModule("int n;\nstatistic s;\nif (op_plus)\n  n = n + 1;\nelse\n  n = 0;\n");
  mv::actionTrace = nullptr;
  mv::checkRules = 0;
  mv::notRules = 1;
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Out().find("Syntax error"), std::string::npos) << Out();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(trace[0], "Specifier(355)");
  EXPECT_NE(std::find(trace.begin(), trace.end(), "Specifier(376)"), trace.end());
  EXPECT_NE(std::find(trace.begin(), trace.end(), "EndElse()"), trace.end());
  EXPECT_EQ(trace.back(), "PopBlock()");
}

TEST_F(ParserOnTokenStream, ReportsAtTheLineOfTheError) {
  EXPECT_EQ(ParseModule("int x = 1;\nint y = int;\nint z;\n"), 0);
  EXPECT_NE(Out().find("m.c(2): Warning C0000: Syntax error at int.\n  Expected !, &, (, *, +, -, {, ~, ++, --, "
                       "string, numeric constant, \n    identifier, sizeof."),
            std::string::npos)
      << Out();
  EXPECT_NE(Out().find("m.c(2): Warning C0035: A reserved keyword may have been used as an identifier."),
            std::string::npos);
}

}  // namespace
}  // namespace mvtest
