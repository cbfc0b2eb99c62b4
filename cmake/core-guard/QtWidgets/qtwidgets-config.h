// Shadows Qt's own header for the sources of the core libraries (see VelmarCoreLibrary.cmake).
#error "core library: QtGui and QtWidgets are not allowed here, a core library may include QtCore only"
