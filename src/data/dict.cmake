add_library(kavo_dict STATIC dict_tables.cpp dict_records.cpp dict_decimal.cpp)
