package com.vantrel.jpos.JNativePort;

/** The Java half of the PortLinkTcp native library: its eleven native methods. */
public class JNativeCommonPort4WindowsEthernet {
    /** The name to give System.loadLibrary. */
    public static final String LIBRARY = "PortLinkTcp";

    public native void _openPort(String portName, String portSettings);
    public native void _closePort();
    public native int _readData(byte[] buffer);
    public native int _writeData(byte[] data, int length);
    public native long _claim(int timeout, boolean monitor);
    public native void _release();
    public native int _getPrinterStatus();
    public native int _getCashDrawerStatus();
    public native int _OpenDrawer(long pin, long onTime, long offTime);
    public native int _WaitForUntilDrawerClose();
    public native boolean _WaitForCompletePrinting();
}
