# The component kit as an INTERFACE target. Include this file from any library that uses
# the kit; the guard lets several of them do so.
if(NOT TARGET componentkit)
    add_library(componentkit INTERFACE)
    target_include_directories(componentkit INTERFACE ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(componentkit INTERFACE Qt6::Core ${CMAKE_DL_LIBS})
endif()
