add_library(kavo_cp1251 STATIC cp1251.cpp)
