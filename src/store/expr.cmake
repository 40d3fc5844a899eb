add_library(kavo_expr STATIC
  expr.cpp
  expr_builtins.cpp
  expr_lexer.cpp
  expr_node.cpp
  expr_parser.cpp
  expr_scope.cpp
  expr_view.cpp
  expr_var.cpp)
target_link_libraries(kavo_expr PUBLIC kavo_runtime kavo_errors)
