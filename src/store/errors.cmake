add_library(kavo_errors STATIC errors.cpp)
