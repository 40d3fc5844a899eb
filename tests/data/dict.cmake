kavo_add_gtest(dict_test SOURCES dict_tables_test.cpp dict_decimal_test.cpp LIBS kavo_dict)
kavo_add_gtest(dict_store_test SOURCES dict_store_test.cpp LIBS kavo_dict kavo_store)
