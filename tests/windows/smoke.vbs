' A late-bound client of Tessaline.dll for cscript: the activator by its ProgID, and go called
' with a factory written in this script. A class of a script cannot implement the host's theme
' interface, so go must come back with error 13 once it has asked the factory for the company and
' the theme; an error the factory raises must come back out of go with the factory's number (Wine's
' script engine hands a caller the number of an error raised in a class, not its text).
' Prints "N passed, N failed" last (cscript's exit status does not tell).
Option Explicit

Dim passed, failed
passed = 0
failed = 0

Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Class Empresa
  Public Property Get MascaraMonetarios()
    MascaraMonetarios = "#,##0.00"
  End Property
End Class

Class Tema
  Public Sub aplicarTema(ventana)
  End Sub
End Class

Class Fabrica
  Public Calls
  Public Refuse

  Private Sub Class_Initialize()
    Calls = ""
    Refuse = False
  End Sub

  Public Function crearObjeto(nombre)
    Calls = Calls & "crearObjeto(" & nombre & ");"
    If Refuse Then Err.Raise vbObjectError + 513, "Fabrica", "Sin empresa en los libros"
    Set crearObjeto = New Empresa
  End Function

  Public Property Get TemaUI()
    Calls = Calls & "TemaUI;"
    Set TemaUI = New Tema
  End Property
End Class

Dim activator, factory, number
On Error Resume Next

Set activator = CreateObject("Quorvane.Activator")
Check Err.Number = 0 And IsObject(activator), "CreateObject(""Quorvane.Activator""): " & Err.Description
Err.Clear

If IsObject(activator) Then
  Set factory = New Fabrica
  activator.go factory, "V001"
  number = Err.Number
  Err.Clear
  Check number = 13, "go with a theme that is not the host's theme interface gives error 13, got " & number
  Check factory.Calls = "crearObjeto(Empresa);TemaUI;", "go asks the factory for the company, then the theme: " & factory.Calls

  Set factory = New Fabrica
  factory.Refuse = True
  activator.go factory, "V001"
  number = Err.Number
  Err.Clear
  Check number = vbObjectError + 513, "the factory's error comes back out of go, got " & number
End If

WScript.Echo passed & " passed, " & failed & " failed"
